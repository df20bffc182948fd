#pragma once

#include <QString>

namespace quarrow {

// The archiver (WinRAR) that packs the kept report documents, as this system knows it:
// where its installer recorded it, and what its two programs are called in its folder.
class Archiver {
public:
    virtual ~Archiver() = default;
    // The folder the system records the archiver in; empty when it records none and the
    // user types the folder in.
    virtual QString installedFolder() const = 0;
    // The command-line program that packs a document into the stock's archive.
    virtual QString packerName() const = 0;
    // The window program that shows an archive to the user.
    virtual QString viewerName() const = 0;

    // The two programs inside folder, which may end in a separator or not; empty without
    // a folder.
    QString packerPath(const QString& folder) const;
    QString viewerPath(const QString& folder) const;
};

// A system without a record of installed programs: the archiver's folder is always typed
// in, and holds "rar" and a "winrar" that shows an archive (an archive manager, or a
// script that starts one).
class PortableArchiver final : public Archiver {
public:
    QString installedFolder() const override { return QString(); }
    QString packerName() const override { return QStringLiteral("rar"); }
    QString viewerName() const override { return QStringLiteral("winrar"); }
};

}  // namespace quarrow
