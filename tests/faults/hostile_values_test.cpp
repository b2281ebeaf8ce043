// Hostile values for every member of every public class, one argument at a
// time, through late binding as `zive call` and every automation client
// reach them: each call either answers or raises an error of the system's
// own (a number and a description), never anything else, and a call that
// raised leaves the modifiable database as it was. Then every member once
// through the `zive` command with its arguments all Null, NUL bytes or
// invalid UTF-8: the command ends with status 0 or 1, never a signal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <limits>

#include "base/automation_error.h"
#include "frame/class_registry.h"
#include "frame/message_box.h"
#include "frame/zive_general.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::testing {
namespace {

namespace fs = std::filesystem;

struct Hostile {
  const char* name;
  Variant value;
};

Variant arrayOf(int32_t lower, int32_t upper, const Variant& element) {
  VariantArray a = VariantArray::vector(lower, upper);
  for (int32_t i = lower; i <= upper; ++i) a[i] = element;
  return Variant(std::move(a));
}

const std::vector<Hostile>& hostileValues() {
  static const std::vector<Hostile> values = [] {
    VariantArray nested = VariantArray::vector(0, 2);
    nested[0] = arrayOf(0, 2, Variant(1.0));
    nested[1] = Variant(VariantArray::matrix(0, 1, 0, 1));
    std::vector<Hostile> v = {
        {"Empty", Variant()}, {"Null", Variant::null()}, {"100,000 characters", Variant(std::string(100000, 'A'))},
        {"apostrophe", Variant("O'Brien")}, {"quote", Variant("say \"x\"")}, {"wildcards", Variant("%*[?#")},
        {"NUL byte", Variant(std::string("a\0b", 3))}, {"invalid UTF-8", Variant(std::string("\xff\x41\xc3", 3))},
        {"text that is no number", Variant("doce")}, {"past Long", Variant(2147483648.0)},
        {"below Long", Variant(-2147483649.0)}, {"past Integer", Variant(int32_t{32768})},
        {"below Integer", Variant(int32_t{-32769})}, {"past Byte", Variant(int32_t{256})},
        {"negative", Variant(int32_t{-1})}, {"largest Double", Variant(std::numeric_limits<double>::max())},
        {"NaN", Variant(std::nan(""))}, {"infinity", Variant(std::numeric_limits<double>::infinity())},
        {"one element", arrayOf(0, 0, Variant(1.0))}, {"300 elements", arrayOf(0, 299, Variant(1.0))},
        {"bounds 5 to 7", arrayOf(5, 7, Variant("x"))}, {"two dimensions", Variant(VariantArray::matrix(0, 3, 0, 3))},
        {"nested arrays", Variant(std::move(nested))},
    };
    return v;
  }();
  return values;
}

// A harmless value for a parameter of `type`.
Variant ordinary(const std::string& type) {
  if (type == "String") return Variant("1");
  if (type == "Boolean") return Variant(false);
  if (type == "Variant") return Variant();
  return Variant(int32_t{1});
}

class HostileValues : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    pristine_ = dir_.file("pristine.mdb");
    fs::copy_file(mod_, pristine_);
  }
  // Back to the fresh database and the thread's own paths.
  void restore() {
    ZIVEGeneral::endThreadState();
    fs::copy_file(pristine_, mod_, fs::copy_options::overwrite_existing);
    ZIVEGeneral::setModifiablePath(mod_);
    ZIVEGeneral::setReferencePath(sampleReference());
  }
  std::string pristine_;
  ScopedMessageCallback quiet_{[](const std::string&, int) {}};
};

TEST_F(HostileValues, EveryMemberAnswersOrRaisesItsOwnErrorAndARaisingCallChangesNothing) {
  const std::string before = readFile(mod_);
  int calls = 0, classes = 0;
  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    EXPECT_TRUE(c.creatable()) << c.name;
    if (!c.creatable()) continue;
    ++classes;
    for (const Member& m : c.members().members) {
      if (m.kind == MemberKind::PropertyGet && m.parameters.empty()) continue;
      unsigned flags = m.kind == MemberKind::PropertyLet ? kInvokePropertyPut : kInvokeMethod | kInvokePropertyGet;
      for (std::size_t p = 0; p < m.parameters.size(); ++p) {
        for (const Hostile& h : hostileValues()) {
          SCOPED_TRACE(c.name + "." + m.name + ", " + m.parameters[p].name + " = " + h.name);
          std::vector<Variant> args;
          for (const Parameter& parameter : m.parameters) args.push_back(ordinary(parameter.type));
          args[p] = h.value;
          auto object = ClassRegistry::global().create(c.name);
          bool raised = false;
          try {
            object->invoke(m.name, args, flags);
          } catch (const AutomationError& e) {
            raised = true;
            EXPECT_NE(e.number(), 0);
            EXPECT_FALSE(e.description().empty());
          } catch (const std::exception& e) {
            ADD_FAILURE() << "not an automation error: " << e.what();
          }
          ZIVEGeneral::endThreadState();
          if (raised) {
            EXPECT_EQ(readFile(mod_), before) << "a call that raised changed the database";
          }
          restore();
          ++calls;
        }
      }
    }
  }
  EXPECT_EQ(classes, 24);
  EXPECT_GT(calls, 1000);
}

// Through the command: every argument of every member at once.
TEST_F(HostileValues, TheCommandEndsWithStatusZeroOrOneForEveryMember) {
  const char* encodings[] = {"null", "\"a\\u0000b\"", "\"\\u00ff\\u0041\"", "[[1,[2]],[]]"};
  for (const ClassRegistry::Class& c : ClassRegistry::global().classes()) {
    if (!c.creatable()) continue;
    for (const Member& m : c.members().members) {
      if (m.kind != MemberKind::Method) continue;
      for (const char* encoding : encodings) {
        SCOPED_TRACE(c.name + "." + m.name + " with " + encoding);
        std::string command = std::string(ZIVE_BINARY) + " call --mod '" + mod_ + "' --ref '" + sampleReference() +
                              "' " + c.name + "." + m.name;
        for (std::size_t i = 0; i < m.parameters.size(); ++i) command += std::string(" '") + encoding + "'";
        int raw = std::system((command + " >/dev/null 2>&1 </dev/null").c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) <= 1) << "status " << raw;
        restore();
      }
    }
  }
}

}  // namespace
}  // namespace svrZIVE::testing
