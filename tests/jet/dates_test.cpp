// Dates and times: #...# literals, Date/Time fields, the date functions and
// Format's date patterns. Expected values are the documented answers in the
// United States settings the literals use.
#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

class Dates : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("E", {{"ID", DaoType::Long}, {"D", DaoType::Date}, {"T", DaoType::Text, 30}});
    for (std::string row : {"1, #1/5/2020#, '1/5/2020'", "2, '2/1/2020 3:30 PM', '2/1/2020'", "3, 43831, NULL",
                            "4, Null, '12/31/1999'", "5, #1/5/2020#, 'January 6, 2020'"})
      exec("INSERT INTO E VALUES (" + row + ")");
  }
};

TEST_F(Dates, Values) {
  const std::pair<const char*, const char*> cases[] = {
      {"#1/27/1993#", "#1/27/1993#"}, {"#1/27/1993 3:04:05 PM#", "#1/27/1993 3:04:05 PM#"},
      {"#15:30#", "#3:30:00 PM#"}, {"#1993-01-27#", "#1/27/1993#"}, {"#27/1/1993#", "#1/27/1993#"},
      {"Year(#2/12/1969#) & '-' & Month(#2/12/1969#) & '-' & Day(#2/12/1969#)", "'1969-2-12'"},
      {"Hour(#4:35:17 PM#) & ':' & Minute(#4:35:17 PM#) & ':' & Second(#4:35:17 PM#)", "'16:35:17'"},
      {"Weekday(#2/12/1969#)", "4"}, {"Weekday(#2/12/1969#, 2)", "3"},
      {"DateAdd('m', 1, #1/31/1995#)", "#2/28/1995#"}, {"DateAdd('yyyy', 1, #2/29/2000#)", "#2/28/2001#"},
      {"DateAdd('d', -1, #3/1/2000#)", "#2/29/2000#"}, {"DateAdd('h', 25, #1/1/2000#)", "#1/2/2000 1:00:00 AM#"},
      {"DateAdd('ww', 2, #1/1/2000#)", "#1/15/2000#"}, {"DateDiff('d', #1/1/2000#, #3/1/2000#)", "60"},
      {"DateDiff('yyyy', #12/31/1999#, #1/1/2000#)", "1"}, {"DateDiff('m', #3/1/2000#, #1/31/2000#)", "-2"},
      {"DateDiff('ww', #1/1/2000#, #1/31/2000#)", "5"}, {"DateDiff('n', #1/1/2000 10:00#, #1/1/2000 11:30#)", "90"},
      {"DatePart('q', #8/15/2020#)", "3"}, {"DatePart('y', #3/1/2020#)", "61"}, {"DatePart('ww', #1/4/2020#)", "1"},
      {"DatePart('ww', #1/5/2020#)", "2"}, {"DateSerial(1969, 2, 12)", "#2/12/1969#"},
      {"DateSerial(2020, 13, 1)", "#1/1/2021#"}, {"DateSerial(2020, 3, 0)", "#2/29/2020#"},
      {"DateSerial(99, 1, 1)", "#1/1/1999#"}, {"TimeSerial(16, 35, 17)", "#4:35:17 PM#"},
      {"DateValue('February 12, 1969')", "#2/12/1969#"}, {"TimeValue('4:35:17 PM')", "#4:35:17 PM#"},
      {"CDate('1/5/2020 10:00')", "#1/5/2020 10:00:00 AM#"}, {"CDate(43831.5)", "#1/1/2020 12:00:00 PM#"},
      {"IsDate('2/12/1969')", "-1"}, {"IsDate('hello')", "0"}, {"IsDate(Now())", "-1"},
      {"Int(Date()) = Date()", "-1"}, {"Time() < 1", "-1"}, {"MonthName(2)", "'February'"},
      {"MonthName(2, True)", "'Feb'"}, {"WeekdayName(1)", "'Sunday'"}, {"WeekdayName(2, True, 2)", "'Tue'"},
      {"Format(#1/27/1993#, 'Short Date')", "'1/27/1993'"},
      {"Format(#1/27/1993#, 'Long Date')", "'Wednesday, January 27, 1993'"},
      {"Format(#1/27/1993#, 'Medium Date')", "'27-Jan-93'"}, {"Format(#1/27/1993#, 'yyyy-mm-dd')", "'1993-01-27'"},
      {"Format(#1/27/1993#, 'mmm d, yyyy')", "'Jan 27, 1993'"}, {"Format(#1/27/1993#, 'dddd')", "'Wednesday'"},
      {"Format(#5:04:23 PM#, 'hh:nn:ss')", "'17:04:23'"}, {"Format(#5:04:23 PM#, 'h:mm AM/PM')", "'5:04 PM'"},
      {"Format(#5:04:23 PM#, 'Long Time')", "'5:04:23 PM'"}, {"Format(#5:04:23 PM#, 'Short Time')", "'17:04'"},
      {"Format(#1/27/1993 5:04:23 PM#)", "'1/27/1993 5:04:23 PM'"}, {"Format(1234.5, 'Currency')", "'$1,234.50'"},
      {"Format(-3, 'Currency')", "'($3.00)'"}, {"Format(0.5, '.###')", "'.5'"},
      {"'on ' & #1/2/2020#", "'on 1/2/2020'"}, {"#1/31/2020# + 1", "#2/1/2020#"}, {"#3/1/2020# - #2/1/2020#", "29"},
      {"#3/1/2020# - 1", "#2/29/2020#"}, {"#1/5/2020# = '1/5/2020'", "-1"}, {"D", "#1/5/2020#"},
      {"D + 0.25", "#1/5/2020 6:00:00 AM#"}, {"Year(D)", "2020"}, {"Format(D, 'dd/mm/yyyy')", "'05/01/2020'"},
  };
  for (const auto& [expression, expected] : cases)
    EXPECT_EQ(result("SELECT " + std::string(expression) + " FROM E WHERE ID = 1"), "(" + std::string(expected) + ")");
}

TEST_F(Dates, FieldsStoreCompareAndSortAsDates) {
  expectResults({
      {"SELECT ID, D FROM E ORDER BY D DESC, ID",
       "(2,#2/1/2020 3:30:00 PM#)(1,#1/5/2020#)(5,#1/5/2020#)(3,#1/1/2020#)(4,<null>)"},
      {"SELECT ID FROM E WHERE D > #1/1/2020# AND D < #2/1/2020# ORDER BY ID", "(1)(5)"},
      {"SELECT ID FROM E WHERE D = T ORDER BY ID", "(1)"},
      {"SELECT ID FROM E WHERE D Between #1/1/2020# And #1/5/2020# ORDER BY ID", "(1)(3)(5)"},
      {"SELECT max(D), min(D) FROM E", "(#2/1/2020 3:30:00 PM#,#1/1/2020#)"},
  });
  EXPECT_EQ(columns(), "Expr1000:Date Expr1001:Date");
}

TEST_F(Dates, Errors) {
  const std::pair<const char*, int32_t> cases[] = {
      {"SELECT #13/45/2020# FROM E", 3075}, {"SELECT #1/1/2020 FROM E", 3075},
      {"SELECT DateAdd('x', 1, #1/1/2000#) FROM E", 5}, {"SELECT DateAdd('yyyy', 9000, #1/1/2000#) FROM E", 5},
      {"SELECT Year('hello') FROM E", 13}, {"SELECT DateSerial(10000, 1, 1) FROM E", 5},
      {"SELECT MonthName(13) FROM E", 5}, {"SELECT DateDiff('s', #1/1/100#, #12/31/9999#) FROM E", 6},
      {"INSERT INTO E (ID, D) VALUES (9, 'hello')", 3464}, {"SELECT Year() FROM E", 3075},
      {"SELECT ID FROM E WHERE D = 'soon'", 3464},
  };
  for (const auto& [jet, number] : cases) EXPECT_EQ(failure(jet).number, number) << jet;
  EXPECT_EQ(scalar("SELECT count(*) FROM E").toLong(), 5);
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
