#pragma once

namespace kdx {

// Where the editor keeps its settings, for the programs that read them.
inline constexpr char kEditorSettingsOrganization[] = "ZOV";
inline constexpr char kEditorSettingsApplication[] = "KDX触屏工程编辑V1.0 Beta";
// The output path of the editor's last successful compile; the simulator
// opens it when started without a file.
inline constexpr char kLastCompiledFileKey[] = "LastCompiledFile";
// Whether the editor checks the project before each compile (default yes).
inline constexpr char kCheckBeforeCompileKey[] = "CheckBeforeCompile";

} // namespace kdx
