#pragma once
#include "tests/support/ProjectBuilder.h"

#include <QDir>
#include <QString>

#include <vector>

namespace kdx::bench {

// The benchmarks' generated project: pages of 20 objects (pictures, texts,
// shapes, custom areas) over 80 pictures from 800 x 480 to 1920 x 1080,
// every fifth page on a coloured background, the others on a picture.
inline constexpr int kBenchImages = 80;
inline constexpr int kBenchPages = 300;
inline constexpr int kBenchObjectsPerPage = 20;
inline constexpr int kBenchScreenWidth = 800, kBenchScreenHeight = 480;

// The picture files in 'dir' (PNG and JPEG in turn); files already there
// from an earlier run are reused.
std::vector<QString> MakeImageFiles(const QDir& dir);

testing::ProjectDesc MakeProject(const std::vector<QString>& images, int pages = kBenchPages);

} // namespace kdx::bench
