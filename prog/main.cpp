// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Version.h"
#include "prog/CommandLine.h"
#include "prog/InterruptWatch.h"
#include "prog/PortChoice.h"
#include "prog/ProgRun.h"
#include "prog/ProgressBar.h"
#include "prog/StandardDescriptors.h"
#include "serial/PortListing.h"
#include "serial/PortMap.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

int main(int argc, char *argv[])
{
    holdClosedStandardDescriptors();
    // A file-size limit is then a write that fails (EFBIG) and is said as any other, not the end of the process.
    std::signal(SIGXFSZ, SIG_IGN);
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
    if (commandLine.options().command == ProgOptions::Command::List) {
        out << portListing(map);
        return kDone;
    }
    for (const QString &warning : commandLine.storedWarnings() + map.warnings())
        err << "tavro-prog: " << warning << '\n';
    if (map.unreadable() && goesThroughPortMap(commandLine.options().port))
        return kBadInput; // said above

    const InterruptWatch interrupts;
    std::unique_ptr<ProgressBar> progress;
    if (isatty(STDERR_FILENO))
        progress = std::make_unique<ProgressBar>(stderr);
    ProgRun run(commandLine.options(), {out, err, progress.get(), [&interrupts] { return interrupts.requested(); }});
    return run.exec([&map](const QString &text, QString *error) { return choosePort(text, map, error); });
}
