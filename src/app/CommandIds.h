#pragma once
// Command ids of the menus, toolbar and accelerators. The numbers are the program's
// historical resource ids; tests and command routing refer to them.

namespace torvask::command {

inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFileRecent = 57616;
inline constexpr int kAppExit = 57665;
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditPaste = 57637;
inline constexpr int kCameraLongshot = 32773;
inline constexpr int kCameraFollowTrack = 32774;
inline constexpr int kCameraChase = 32777;
inline constexpr int kCameraFront = 32778;
inline constexpr int kCameraSide = 32779;
inline constexpr int kCameraOverhead = 32781;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kViewStatusText = 32791;
inline constexpr int kViewSensors = 32799;
inline constexpr int kViewNetwork = 32792;
inline constexpr int kDriverReport = 32793;
inline constexpr int kHelpControls = 32776;
inline constexpr int kAppAbout = 57664;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
// Driver menu.
inline constexpr int kDriverLearnAtOnce = 32790;

}  // namespace torvask::command
