#include "frame/statement.h"

#include <string>

#include "engine/dao.h"
#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE {

Statement& Statement::fixed(std::string_view fixedText) {
  text_.append(fixedText);
  return *this;
}

Statement& Statement::operator<<(uint8_t value) {
  text_.append(std::to_string(unsigned(value)));
  return *this;
}

Statement& Statement::operator<<(int16_t value) {
  text_.append(std::to_string(int(value)));
  return *this;
}

Statement& Statement::operator<<(int32_t value) {
  text_.append(std::to_string(value));
  return *this;
}

Statement& Statement::operator<<(double value) {
  text_.append(formatDouble(value));
  return *this;
}

Statement& Statement::text(std::string_view value) {
  // Written as it stands; an apostrophe would close the literal around it.
  if (value.find('\'') != std::string_view::npos) valid_ = false;
  text_.append(value);
  return *this;
}

const std::string& Statement::sql() const {
  if (!valid_) {
    throw AutomationError(engine::kSyntaxErrorInExpression, "DAO.Database",
                          "Syntax error: a text value with an apostrophe breaks the quoting of "
                          "the statement '" +
                              text_ + "'.");
  }
  return text_;
}

}  // namespace svrZIVE
