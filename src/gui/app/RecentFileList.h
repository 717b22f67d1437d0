#pragma once

#include <QSettings>
#include <QStringList>

namespace orvo {

// The most recently used files, newest first, kept in the settings under "Recent File List"
// as File1, File2, ...
class RecentFileList {
public:
    static constexpr int SIZE = 4;

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;
    void Add(const QString& path);
    QStringList Files() const { return m_files; }

private:
    QStringList m_files;
};

} // namespace orvo
