// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Version.h"
#include "prog/CommandLine.h"
#include "prog/InterruptWatch.h"
#include "prog/PortChoice.h"
#include "prog/ProgRun.h"
#include "prog/ProgressBar.h"
#include "serial/PortMap.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavro-prog"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::kText));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QSettingsStore store;
    const CommandLine commandLine(QCoreApplication::arguments(), StoredDefaults::read(store));
    if (commandLine.helpRequested()) {
        out << commandLine.helpText();
        return kDone;
    }
    if (commandLine.versionRequested()) {
        out << "tavro-prog " << QCoreApplication::applicationVersion() << '\n';
        return kDone;
    }
    if (const std::optional<QString> &error = commandLine.error()) {
        err << "tavro-prog: " << *error << "\nTry 'tavro-prog --help'.\n";
        return kBadInput;
    }

    const PortMap map;
    for (const QString &warning : store.warnings() + map.warnings())
        err << "tavro-prog: " << warning << '\n';

    const InterruptWatch interrupts;
    std::unique_ptr<ProgressBar> progress;
    if (isatty(STDERR_FILENO))
        progress = std::make_unique<ProgressBar>(stderr);
    ProgRun run(commandLine.options(), {out, err, progress.get(), [&interrupts] { return interrupts.requested(); }});
    return run.exec([&map](const QString &text, QString *error) { return choosePort(text, map, error); });
}
