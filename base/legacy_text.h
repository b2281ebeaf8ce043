// Texts as they come out of storage. Our files hold UTF-8, but another tool
// may have written any bytes into a text, and texts brought over from Access
// files may still be in the Windows code page. One rule makes every such
// text valid UTF-8: each well-formed UTF-8 sequence stands for its
// character; every other byte (a stray continuation byte, the start of an
// incomplete or overlong sequence, a surrogate, a byte that never occurs in
// UTF-8) is taken as a Windows-1252 character, the code page of legacy Access
// files. The five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90, 9D)
// become the control characters of the same number. Valid UTF-8 comes out
// unchanged, so the rule can be applied any number of times.
#pragma once

#include <string>
#include <string_view>

namespace svrZIVE {

// True when `text` is well-formed UTF-8 throughout.
bool isUtf8(std::string_view text);

// `text` with every byte outside a well-formed UTF-8 sequence replaced by its
// Windows-1252 character; left as it is when it is valid UTF-8 already.
void makeUtf8(std::string& text);
std::string utf8Text(std::string_view bytes);

}  // namespace svrZIVE
