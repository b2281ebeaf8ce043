// Text helpers of the reference services, as the runtime's UCase and Trim
// work on the texts the databases hold (UTF-8).
#pragma once

#include <string>
#include <string_view>

namespace svrZIVE {

// Every letter in upper case, accented letters and ñ included ("A Coruña" ->
// "A CORUÑA"), by the root locale's rules.
std::string upperCase(std::string_view text);

// Without the blanks (spaces) at either end, as Trim removes them.
std::string trimBlanks(std::string_view text);

}  // namespace svrZIVE
