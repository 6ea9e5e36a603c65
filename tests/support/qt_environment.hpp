#pragma once

#include "core/system/platform/platform.hpp"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace varscope::testing {

// Sets environment variables (an empty value removes one) while it lives.
class EnvironmentFor final {
public:
    EnvironmentFor(std::initializer_list<std::pair<const char*, QString>> values) {
        for (const auto& [name, value] : values) {
            m_saved.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value.toLocal8Bit());
        }
    }
    ~EnvironmentFor() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->wasSet)
                qputenv(it->name, it->value);
            else
                qunsetenv(it->name);
        }
    }
    EnvironmentFor(const EnvironmentFor&) = delete;
    EnvironmentFor& operator=(const EnvironmentFor&) = delete;

private:
    struct Saved {
        const char* name;
        bool wasSet;
        QByteArray value;
    };
    std::vector<Saved> m_saved;
};

// The desktop offers no editor while it lives (no $VISUAL, $EDITOR or xdg-open), so a
// test of "no editor chosen" behaves the same on every machine. Programs started meanwhile
// must be named by their paths.
// Where the system has no desktop editor (Windows) nothing changes.
class NoDesktopEditor final {
public:
    NoDesktopEditor() {
        if (core::platform::HasDesktopEditor())
            m_environment.emplace(std::initializer_list<std::pair<const char*, QString>>{
                {"VISUAL", {}},
                {"EDITOR", {}},
                {"PATH", QStringLiteral("/varscope-test-no-programs")}});
    }

private:
    std::optional<EnvironmentFor> m_environment;
};

} // namespace varscope::testing
