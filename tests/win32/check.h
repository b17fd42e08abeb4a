// A small test runner for the programs that run under Wine, where GoogleTest
// is not built: TEST_CASE registers a function, CHECK and CHECK_EQ record
// failures with their line, and RunAllTests reports "N passed, N failed".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace dizi::check {

struct TestCase {
  const char* name;
  void (*run)();
};

inline std::vector<TestCase>& Registry() {
  static std::vector<TestCase> cases;
  return cases;
}

inline int& FailuresInCurrentCase() {
  static int failures = 0;
  return failures;
}

struct Registration {
  Registration(const char* name, void (*run)()) { Registry().push_back({name, run}); }
};

inline void Fail(const char* file, int line, const std::string& what) {
  std::printf("  %s:%d: %s\n", file, line, what.c_str());
  ++FailuresInCurrentCase();
}

inline std::string Shown(const std::string& text) {
  return "\"" + text + "\"";
}
inline std::string Shown(const char* text) {
  return Shown(std::string(text));
}
inline std::string Shown(bool value) {
  return value ? "true" : "false";
}
template <typename T>
std::string Shown(const T& value) {
  return std::to_string(value);
}

// Runs every registered case; the exit code is the number of failed cases.
inline int RunAllTests() {
  int passed = 0;
  int failed = 0;
  for (const TestCase& test : Registry()) {
    FailuresInCurrentCase() = 0;
    std::printf("[ RUN  ] %s\n", test.name);
    test.run();
    const bool ok = FailuresInCurrentCase() == 0;
    std::printf("[ %s ] %s\n", ok ? " OK " : "FAIL", test.name);
    ++(ok ? passed : failed);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed;
}

}  // namespace dizi::check

#define DIZI_CHECK_CONCAT2(a, b) a##b
#define DIZI_CHECK_CONCAT(a, b) DIZI_CHECK_CONCAT2(a, b)

#define TEST_CASE(name)                                                                          \
  static void name();                                                                            \
  static const ::dizi::check::Registration DIZI_CHECK_CONCAT(registration_, name)(#name, &name); \
  static void name()

#define CHECK(condition)                                                \
  do {                                                                  \
    if (!(condition)) {                                                 \
      ::dizi::check::Fail(__FILE__, __LINE__, "CHECK(" #condition ")"); \
    }                                                                   \
  } while (false)

#define CHECK_EQ(actual, expected)                                                             \
  do {                                                                                         \
    const auto& checkActual = (actual);                                                        \
    const auto& checkExpected = (expected);                                                    \
    if (!(checkActual == checkExpected)) {                                                     \
      ::dizi::check::Fail(__FILE__, __LINE__,                                                  \
                          #actual " is " + ::dizi::check::Shown(checkActual) + ", expected " + \
                              ::dizi::check::Shown(checkExpected));                            \
    }                                                                                          \
  } while (false)
