// A process locale for the length of one scope, set as a host sets it (the C locale and the
// global C++ locale), and the fixture of tests that run under a decimal-comma locale.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string>

namespace kvKorvaneV10_0_3::test_support {

// The decimal-comma locale CI installs (scripts/install-deps generates it).
inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

class ScopedProcessLocale {
public:
    // oldGlobal_ starts as a copy of the global C++ locale.
    explicit ScopedProcessLocale(const char* name) : oldC_(std::setlocale(LC_ALL, nullptr)) {
        if (std::setlocale(LC_ALL, name) == nullptr) {
            return;
        }
        try {
            std::locale::global(std::locale(name));
        } catch (const std::runtime_error&) {
            std::setlocale(LC_ALL, oldC_.c_str());
            return;
        }
        installed_ = true;
    }
    ~ScopedProcessLocale() {
        if (installed_) {
            // The global C++ locale first: setting a named one also sets the C locale.
            std::locale::global(oldGlobal_);
            std::setlocale(LC_ALL, oldC_.c_str());
        }
    }
    ScopedProcessLocale(const ScopedProcessLocale&) = delete;
    ScopedProcessLocale& operator=(const ScopedProcessLocale&) = delete;

    // False when the locale is not installed; nothing was changed then.
    [[nodiscard]] bool Installed() const { return installed_; }

private:
    std::string oldC_;
    std::locale oldGlobal_;
    bool installed_ = false;
};

// Each test runs under kCommaLocale and is skipped only when that locale is not installed.
class CommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        locale_.emplace(kCommaLocale);
        if (!locale_->Installed()) {
            locale_.reset();
            GTEST_SKIP() << kCommaLocale << " is not installed (scripts/install-deps generates it)";
        }
        // Proof that the C library now really writes a comma.
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override { locale_.reset(); }

private:
    std::optional<ScopedProcessLocale> locale_;
};

}  // namespace kvKorvaneV10_0_3::test_support
