#include "about/SysInfo.h"

#include "common/UserDialogs.h"

#include <QtEndian>

bool SysInfo::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal) const
{
    const auto value = m_tools.keys->query(KeyRoot, KeyName, SubKeyRef);
    if (!value || value->data.size() > kBufferSize) { // a value the buffer cannot hold is not read
        KeyVal.clear();
        return false;
    }
    QByteArray data = value->data;
    if (data.endsWith('\0'))
        data.chop(1);
    if (value->type == KeySource::kString) {
        KeyVal = QString::fromLocal8Bit(data);
    } else if (value->type == KeySource::kNumber) {
        char bytes[4] = {0, 0, 0, 0}; // the terminator cut above may have taken a zero byte
        std::copy_n(data.constData(), std::min<qsizetype>(data.size(), 4), bytes);
        KeyVal = QString::number(qFromLittleEndian<quint32>(bytes));
    }
    return true;
}

QString SysInfo::locateTool() const
{
    QString path;
    if (GetKeyValue(KeySource::kLocalMachine, kInfoKey, kInfoValue, path))
        return path; // started as stored, unchecked: an empty one cannot start
    QString folder;
    if (!GetKeyValue(KeySource::kLocalMachine, kLocationKey, kLocationValue, folder) || folder.isEmpty())
        return {};
    path = folder + kToolName;
    return m_tools.files->exists(path) ? path : QString();
}

void SysInfo::StartSysInfo()
{
    const QString path = locateTool();
    if (!path.isEmpty() && !m_tools.launcher->start(path))
        return;
    m_messages.show(kUnavailable, MessageBox::Buttons::Ok, MessageBox::Icon::None);
}
