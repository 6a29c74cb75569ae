// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Every fuzz target defines this; libFuzzer or ReplayMain.cpp calls it once per input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace Fuzz {

// One headless application for the whole run: widgets and timers need it.
inline QApplication &application()
{
    static int argc = 1;
    static char name[] = "tavro-fuzz";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv); // lives until exit: Qt must not be torn down between inputs
    }();
    return *app;
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A broken property is a crash for the fuzzer: it keeps the input that caused it.
[[noreturn]] inline void fail(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.constData());
    std::abort();
}

inline void check(bool holds, const char *what, const QByteArray &detail = {})
{
    if (!holds)
        fail(what, detail);
}

} // namespace Fuzz
