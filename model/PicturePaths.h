#pragma once
#include <QString>
#include <QStringList>

namespace kdx {

// Picture paths are stored as chosen, except that a picture in the project's
// folder or below is stored relative to it, so that the folder can be moved
// or sent with its pictures. Absolute paths are always kept as they are.

// The file a stored path names: a relative path is taken from the folder.
QString ResolvedPicturePath(const QString& path, const QString& folder);
// How a chosen file is stored in a project in `folder`: relative when it
// lies in the folder or below, otherwise unchanged. No folder (a project
// not saved yet) keeps the path as chosen.
QString StoredPicturePath(const QString& file, const QString& folder);
// A stored path for the project saved from folder `from` to folder `to`,
// naming the same file: relative paths are made relative to `to` when the
// file lies there, absolute otherwise.
QString MovedPicturePath(const QString& path, const QString& from, const QString& to);

// The folder beside the project into which pictures are collected.
constexpr const char* kCollectedPictureFolder = "images";

// What collecting the pictures of a project did.
struct CollectedPictures {
    QStringList copied;   // file names written into the folder
    QStringList failures; // one text for each picture that could not be copied
    int rewritten = 0;    // picture references now pointing into the folder
};

} // namespace kdx
