// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/ChipImage.h"

#include "common/ShownPath.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <tuple>
#include <unistd.h>

namespace {

int index(SimulatedChip::Space space)
{
    return space == SimulatedChip::Space::Program ? 0 : 1;
}

qsizetype sizeOf(SimulatedChip::Space space)
{
    return space == SimulatedChip::Space::Program ? SimulatedChip::kProgramSize : SimulatedChip::kDataSize;
}

} // namespace

std::unique_ptr<ChipImage> ChipImage::open(const QString &folder, SimulatedChip &chip, Failure &failure)
{
    std::unique_ptr<ChipImage> image(new ChipImage(folder, chip));
    failure = image->take();
    return failure ? nullptr : std::move(image);
}

ChipImage::ChipImage(QString folder, SimulatedChip &chip)
    : m_folder(std::move(folder))
    , m_chip(chip)
{}

ChipImage::~ChipImage()
{
    m_chip.keepWith({});
    for (int fd : m_images)
        if (fd >= 0)
            ::close(fd);
    if (m_lock >= 0)
        ::close(m_lock); // and with it the lock
}

Failure ChipImage::systemFailure(const QString &path) const
{
    return QStringLiteral("%1: %2").arg(shownPath(path), QString::fromLocal8Bit(std::strerror(errno)));
}

QString ChipImage::imagePath(SimulatedChip::Space space) const
{
    return m_folder
           + (space == SimulatedChip::Space::Program ? QStringLiteral("/program.bin") : QStringLiteral("/data.bin"));
}

Failure ChipImage::take()
{
    if (!QDir().mkpath(m_folder))
        return QObject::tr("Cannot create %1").arg(shownPath(m_folder));
    const QString lockPath = m_folder + QStringLiteral("/lock");
    m_lock = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_lock < 0)
        return systemFailure(lockPath);
    if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? Failure(kBusy) : systemFailure(lockPath);
    for (SimulatedChip::Space space : {SimulatedChip::Space::Program, SimulatedChip::Space::Data})
        if (Failure failure = load(space))
            return failure;
    m_chip.keepWith(
        [this](SimulatedChip::Space space, int address, quint8 value) { return keep(space, address, value); });
    return std::nullopt;
}

Failure ChipImage::load(SimulatedChip::Space space)
{
    const QString path = imagePath(space);
    int &fd = m_images[index(space)];
    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return systemFailure(path);
    QByteArray image(sizeOf(space), char(SimulatedChip::kErased));
    qsizetype got = 0;
    while (got < image.size()) {
        const ssize_t n = ::pread(fd, image.data() + got, size_t(image.size() - got), got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemFailure(path);
        if (n == 0)
            break;
        got += n;
    }
    // The rest is erased, and on disk now: a disk too full for it (or a file-size limit) refuses the
    // open, not a write, and leaves the file as it was.
    for (qsizetype at = got; at < image.size();) {
        const ssize_t n = ::pwrite(fd, image.constData() + at, size_t(image.size() - at), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            errno = n == 0 ? EIO : errno;
            const Failure failure = systemFailure(path);
            std::ignore = ::ftruncate(fd, got); // the failure above is the one to say either way
            return failure;
        }
        at += n;
    }
    if (got < image.size() && ::fsync(fd) != 0)
        return systemFailure(path);
    m_chip.restore(space, image);
    return std::nullopt;
}

Failure ChipImage::keep(SimulatedChip::Space space, int address, quint8 value) const
{
    ssize_t n = 0;
    do
        n = ::pwrite(m_images[index(space)], &value, 1, address);
    while (n < 0 && errno == EINTR);
    if (n == 0)
        errno = EIO;
    return n == 1 ? std::nullopt : systemFailure(imagePath(space));
}
