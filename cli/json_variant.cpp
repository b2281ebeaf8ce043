#include "cli/json_variant.h"

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "base/date_time.h"
#include "base/legacy_text.h"
#include "frame/class_registry.h"

namespace svrZIVE::cli {
namespace {

using nlohmann::json;

json typedScalar(std::string_view type, json value) {
  return json{{"$type", std::string(type)}, {"value", std::move(value)}};
}

json doubleToJson(double d, bool typed) {
  if (std::isnan(d)) return typedScalar("Double", "nan");
  if (std::isinf(d)) return typedScalar("Double", d > 0 ? "inf" : "-inf");
  return typed ? typedScalar("Double", d) : json(d);
}

json arrayLevel(const VariantArray& a, std::vector<int32_t>& subscripts, std::size_t dimension,
                bool typed) {
  json level = json::array();
  const ArrayBound& bound = a.bounds()[dimension];
  for (int32_t i = bound.lower; i <= bound.upper; ++i) {
    subscripts[dimension] = i;
    if (dimension + 1 == a.dimensions()) {
      level.push_back(variantToJson(a.at(std::span<const int32_t>(subscripts)), typed));
    } else {
      level.push_back(arrayLevel(a, subscripts, dimension + 1, typed));
    }
  }
  return level;
}

json arrayToJson(const VariantArray& a, bool typed) {
  if (a.dimensions() == 1 && a.lbound(1) == 0) {
    json list = json::array();
    for (const Variant& element : a.elements()) list.push_back(variantToJson(element, typed));
    return list;
  }
  json lower = json::array(), upper = json::array();
  for (const ArrayBound& b : a.bounds()) {
    lower.push_back(b.lower);
    upper.push_back(b.upper);
  }
  json values = json::array();
  if (a.dimensions() > 0) {
    std::vector<int32_t> subscripts(a.dimensions(), 0);
    values = arrayLevel(a, subscripts, 0, typed);
  }
  return json{{"$array", {{"lbound", lower}, {"ubound", upper}, {"values", values}}}};
}

[[noreturn]] void bad(const std::string& what) { throw std::invalid_argument(what); }

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int32_t boundValue(const json& j) {
  if (!j.is_number_integer()) bad("array bounds must be whole numbers");
  const int64_t v = j.get<int64_t>();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    bad("array bound out of range");
  }
  return static_cast<int32_t>(v);
}

// Arrays in arrays nest, and an array has dimensions, at most as deep as the
// runtime allows an array's dimensions (60); deeper input is refused.
constexpr std::size_t kMaxDepth = 60;

Variant decode(const json& j, std::size_t depth);

// Checks that `level` holds exactly the entries the bounds call for before
// anything is allocated: an array is never larger than its JSON.
void checkLevel(const std::vector<ArrayBound>& bounds, const json& level, std::size_t dimension) {
  const ArrayBound& bound = bounds[dimension];
  if (!level.is_array() || level.size() != static_cast<std::size_t>(bound.count())) {
    bad("\"values\" must hold " + std::to_string(bound.count()) + " entries for dimension " +
        std::to_string(dimension + 1));
  }
  if (dimension + 1 < bounds.size()) {
    for (const json& entry : level) checkLevel(bounds, entry, dimension + 1);
  }
}

void fillLevel(VariantArray& a, const json& level, std::vector<int32_t>& subscripts, std::size_t dimension,
               std::size_t depth) {
  const ArrayBound& bound = a.bounds()[dimension];
  for (int32_t i = 0; i < bound.count(); ++i) {
    subscripts[dimension] = bound.lower + i;
    const json& entry = level[static_cast<std::size_t>(i)];
    if (dimension + 1 == a.dimensions()) {
      a.at(std::span<const int32_t>(subscripts)) = decode(entry, depth + 1);
    } else {
      fillLevel(a, entry, subscripts, dimension + 1, depth);
    }
  }
}

Variant arrayFromJson(const json& shape, std::size_t depth) {
  if (!shape.is_object() || !shape.contains("lbound") || !shape.contains("ubound") ||
      !shape["lbound"].is_array() || !shape["ubound"].is_array() ||
      shape["lbound"].size() != shape["ubound"].size()) {
    bad("\"$array\" needs \"lbound\" and \"ubound\" lists of the same length");
  }
  if (shape["lbound"].size() > kMaxDepth) bad("an array has at most " + std::to_string(kMaxDepth) + " dimensions");
  std::vector<ArrayBound> bounds;
  for (std::size_t d = 0; d < shape["lbound"].size(); ++d) {
    bounds.push_back({boundValue(shape["lbound"][d]), boundValue(shape["ubound"][d])});
    if (int64_t(bounds.back().upper) - bounds.back().lower >= std::numeric_limits<int32_t>::max()) {
      bad("array bounds span more elements than a Long counts");
    }
  }
  const json values = shape.value("values", json::array());
  if (bounds.empty()) return Variant(VariantArray(bounds));
  checkLevel(bounds, values, 0);
  VariantArray a(bounds);
  std::vector<int32_t> subscripts(bounds.size(), 0);
  fillLevel(a, values, subscripts, 0, depth);
  return Variant(std::move(a));
}

Variant numberFromJson(const json& j) {
  if (j.is_number_integer()) {
    const bool fits = j.is_number_unsigned()
                          ? j.get<uint64_t>() <= uint64_t(std::numeric_limits<int32_t>::max())
                          : (j.get<int64_t>() >= std::numeric_limits<int32_t>::min() &&
                             j.get<int64_t>() <= std::numeric_limits<int32_t>::max());
    if (fits) return Variant(static_cast<int32_t>(j.get<int64_t>()));
  }
  return Variant(j.get<double>());
}

Variant typedFromJson(const std::string& type, const json& value) {
  if (type == "Double" && value.is_string()) {
    const std::string s = value.get<std::string>();
    if (s == "nan") return Variant(std::numeric_limits<double>::quiet_NaN());
    if (s == "inf") return Variant(std::numeric_limits<double>::infinity());
    if (s == "-inf") return Variant(-std::numeric_limits<double>::infinity());
  }
  if (!value.is_primitive() || value.is_null()) bad("\"value\" of a \"$type\" must be a scalar");
  // The value as it stands, then converted by the runtime's rules.
  const Variant plain = value.is_boolean() ? Variant(value.get<bool>())
                        : value.is_string() ? Variant(value.get<std::string>())
                                            : Variant(value.get<double>());
  if (type == "Byte") return Variant(plain.toByte());
  if (type == "Integer") return Variant(plain.toInteger());
  if (type == "Long") return Variant(plain.toLong());
  if (type == "Double") return Variant(plain.toDouble());
  if (type == "Boolean") return Variant(plain.toBoolean());
  if (type == "String") return Variant(value.is_string() ? value.get<std::string>() : plain.toText());
  if (type == "Decimal") return Variant(plain.toDecimal());
  bad("unknown \"$type\": " + type);
}

}  // namespace

std::string toBase64(const Bytes& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    uint32_t group = uint32_t(bytes[i]) << 16;
    if (n > 1) group |= uint32_t(bytes[i + 1]) << 8;
    if (n > 2) group |= bytes[i + 2];
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kBase64[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

Bytes fromBase64(std::string_view text) {
  if (text.size() % 4 != 0) bad("base64 text must come in groups of four characters");
  Bytes out;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    uint32_t group = 0;
    std::size_t n = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      const bool padding = c == '=' && i + 4 == text.size() && k >= 2;
      const std::size_t value = padding ? 0 : kBase64.find(c);
      if (value == std::string_view::npos || (!padding && n != k)) bad("not base64 text");
      if (!padding) ++n;
      group = group << 6 | uint32_t(value);
    }
    if (n < 2) bad("not base64 text");
    for (std::size_t k = 0; k + 1 < n; ++k) out.push_back(uint8_t(group >> (16 - 8 * k)));
  }
  return out;
}

json variantToJson(const Variant& v, bool typed) {
  switch (v.type()) {
    case VarType::Empty: return json{{"$empty", true}};
    case VarType::Null: return nullptr;
    case VarType::Boolean: return typed ? typedScalar("Boolean", v.asBoolean()) : json(v.asBoolean());
    case VarType::Byte: return typedScalar("Byte", v.asByte());
    case VarType::Integer: return typedScalar("Integer", v.asInteger());
    case VarType::Long: return typed ? typedScalar("Long", v.asLong()) : json(v.asLong());
    case VarType::Double: return doubleToJson(v.asDouble(), typed);
    case VarType::String: {
      json text = utf8Text(v.asString());
      return typed ? typedScalar("String", std::move(text)) : text;
    }
    case VarType::Date: return typed ? typedScalar("Date", isoDateText(v.asDate())) : json(isoDateText(v.asDate()));
    case VarType::Object: {
      const auto& object = v.object();
      return json{{"$object", object ? json(object->className()) : json(nullptr)}};
    }
    case VarType::Array: return arrayToJson(v.array(), typed);
    case VarType::ByteArray: return json{{"$bytes", toBase64(v.asBytes())}};
    case VarType::Decimal: return typedScalar("Decimal", v.asDecimal().text());
    default: break;
  }
  return json{{"$empty", true}};
}

namespace {

Variant decode(const json& j, std::size_t depth) {
  if (depth > kMaxDepth) bad("arrays nested more than " + std::to_string(kMaxDepth) + " deep");
  switch (j.type()) {
    case json::value_t::null: return Variant::null();
    case json::value_t::boolean: return Variant(j.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float: return numberFromJson(j);
    case json::value_t::string: return Variant(j.get<std::string>());
    case json::value_t::array: {
      VariantArray a = VariantArray::vector(0, static_cast<int32_t>(j.size()) - 1);
      for (std::size_t i = 0; i < j.size(); ++i) a[static_cast<int32_t>(i)] = decode(j[i], depth + 1);
      return Variant(std::move(a));
    }
    case json::value_t::object: {
      if (j.size() == 1 && j.contains("$empty")) return Variant();
      if (j.contains("$type")) {
        if (!j["$type"].is_string() || !j.contains("value")) bad("\"$type\" needs a type name and a \"value\"");
        return typedFromJson(j["$type"].get<std::string>(), j["value"]);
      }
      if (j.size() == 1 && j.contains("$array")) return arrayFromJson(j["$array"], depth);
      if (j.size() == 1 && j.contains("$bytes")) {
        if (!j["$bytes"].is_string()) bad("\"$bytes\" takes base64 text");
        return Variant(fromBase64(j["$bytes"].get<std::string>()));
      }
      if (j.size() == 1 && j.contains("$object")) {
        if (j["$object"].is_null()) return Variant(std::shared_ptr<Dispatch>());
        if (!j["$object"].is_string()) bad("\"$object\" takes a class name");
        return Variant(std::shared_ptr<Dispatch>(CreateObject(j["$object"].get<std::string>())));
      }
      bad("a JSON object must be {\"$empty\": true}, {\"$type\": ...}, {\"$array\": ...}, {\"$bytes\": ...} or "
          "{\"$object\": ...}");
    }
    default: break;
  }
  bad("not an encoded variant");
}

}  // namespace

Variant variantFromJson(const json& j) { return decode(j, 0); }

Variant variantFromArgument(const std::string& argument) {
  json parsed = json::parse(argument, nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded()) return Variant(argument);
  return variantFromJson(parsed);
}

}  // namespace svrZIVE::cli
