// The tests' main. With KORVANE_TEST_SETLOCALE set, the process first takes on the locale of its
// environment the way a host does (C and C++), and refuses to run unless that locale's decimal
// point is the variable's value: a run that silently stayed in "C" would prove nothing.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <iostream>
#include <locale>
#include <stdexcept>
#include <string>

namespace {

// 0 when the environment's locale is in force with the expected decimal point, else 1.
int TakeOnEnvironmentLocale(const std::string& expected) {
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::cerr << "KORVANE_TEST_SETLOCALE: the environment names no installed locale\n";
        return 1;
    }
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error& e) {
        std::cerr << "KORVANE_TEST_SETLOCALE: the C++ locale cannot be set: " << e.what() << "\n";
        return 1;
    }
    const std::string cPoint = std::localeconv()->decimal_point;
    const std::string cxxPoint(1,
                               std::use_facet<std::numpunct<char>>(std::locale()).decimal_point());
    if (cPoint != expected || cxxPoint != expected) {
        std::cerr << "KORVANE_TEST_SETLOCALE: the decimal point must be \"" << expected
                  << "\" but the C locale (" << std::setlocale(LC_ALL, nullptr) << ") has \""
                  << cPoint << "\" and the C++ locale \"" << cxxPoint << "\"\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* expected = std::getenv("KORVANE_TEST_SETLOCALE"); expected != nullptr) {
        if (TakeOnEnvironmentLocale(expected) != 0) {
            return 1;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
