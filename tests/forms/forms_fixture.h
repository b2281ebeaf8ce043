// Helpers of the form tests, on top of the shared databases and helpers:
// headers written directly, numbered buffers, the columns of a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/variant.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::testing {

std::vector<std::string> fieldNames(const std::string& file, const std::string& table);

// A header row of T02_Declaraciones with the given number (written directly).
void insertHeader(const std::string& file, int32_t secdec, int32_t csde, int32_t year, const std::string& periodicity,
                  int32_t period, int32_t typology, const std::string& model = "560");
double headerAmount(const std::string& file, int32_t secdec);

// Whether `text` is `pattern`, where "…" in the pattern stands for any text.
bool matches(const std::string& text, const std::string& pattern);

// A one-dimensional array 0..n-1 of Doubles first, first+1, ...
VariantArray numberedBuffer(int32_t n, double first = 1.0);

// `member` of a new svrZIVE.`service` object, called late-bound.
Variant call(const std::string& service, const std::string& member, std::vector<Variant> args);

}  // namespace svrZIVE::testing
