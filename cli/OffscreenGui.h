#pragma once
#include <QGuiApplication>

#include <memory>

namespace kdx::cli {

// A GUI application without a display: drawing texts needs fonts, and
// fonts need a GUI application. The platform is "offscreen" unless the
// environment names one.
std::unique_ptr<QGuiApplication> MakeOffscreenGui();

} // namespace kdx::cli
