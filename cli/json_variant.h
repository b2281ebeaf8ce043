// One JSON encoding of variants for the command line, in both directions:
//
//   Empty                   {"$empty": true}
//   Null                    null
//   Boolean                 true / false
//   String                  "text" (bytes that are not UTF-8 taken as Windows-1252,
//                           base/legacy_text.h)
//   Long                    a number without fraction in the 32-bit range
//   Double                  any other number (written with a fraction or an exponent)
//   Byte, Integer           {"$type": "Byte" | "Integer", "value": n}, always
//   any scalar, typed       {"$type": "Byte" | "Integer" | "Long" | "Double" | "Boolean" | "String",
//                            "value": ...}  (every scalar with `typed`; a Double that is
//                            not finite is always typed, its value "inf", "-inf" or "nan")
//   array, one dimension    a JSON array, when its lower bound is 0
//   any other array         {"$array": {"lbound": [...], "ubound": [...],
//                                       "values": nested lists, outermost for the first subscript}}
//   object                  {"$object": "class name"}, {"$object": null} for Nothing
//   byte array              {"$bytes": "base64 text"} (a binary field's value)
//   Decimal                 {"$type": "Decimal", "value": "digits"}, always; every digit kept
//
// Reading {"$object": NAME} creates a new object of the registered class NAME.
// Every variant but an object survives writing and reading back: its type,
// Empty against Null, the bounds and the element types of arrays.
#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "base/variant.h"

namespace svrZIVE::cli {

nlohmann::json variantToJson(const Variant& value, bool typed = false);

// Throws std::invalid_argument for JSON that is no encoded variant, and for
// arrays nested in arrays, or of dimensions, more than 60 deep.
Variant variantFromJson(const nlohmann::json& json);

// Base64 (RFC 4648, with padding) of bytes, and back; fromBase64 throws
// std::invalid_argument for text that is no base64.
std::string toBase64(const Bytes& bytes);
Bytes fromBase64(std::string_view text);

// A command-line argument: JSON in the encoding above, or, when it is not
// valid JSON, the word itself as a String.
Variant variantFromArgument(const std::string& argument);

}  // namespace svrZIVE::cli
