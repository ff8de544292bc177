// The export window's controls, captions and places in twips, as both sets of windows lay it out.
// The labels and the arrow lie inside the frame; their places are relative to it.
#pragma once

#include <array>

#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell::layout {

inline constexpr int kTwipsPerPixel = 15;
// A length in twips as pixels at 96 dots per inch.
constexpr int Pixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

struct Place {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr Place kExportClient{0, 0, 7350, 2565};
inline constexpr Place kExportFrame{120, 120, 7095, 1815};
inline constexpr Place kExportArrow{810, 360, 150, 240};

struct PlacedLabel {
  const char* name;
  const char* caption;  // as the window opens; the run's labels are set by the presenter
  Place place;
  bool bold;
  bool multiLine;
};
// LblSaveHeader is wider than designed, so that the folder names the run adds to it fit.
inline constexpr std::array<PlacedLabel, 7> kExportLabels{{
    {"LblSaveHeader", text::kCheckingConfiguration, {1080, 360, 5925, 195}, false, false},
    {"LblSubject", text::kSubjectCaption, {240, 720, 735, 195}, true, false},
    {"LblProcessing", "", {1080, 720, 5925, 555}, false, true},
    {"LblFoundLabel", text::kFoundCaption, {360, 1320, 705, 195}, true, false},
    {"LblFound", "", {1080, 1320, 1725, 195}, false, false},
    {"Label1", text::kCurrentCaption, {4440, 1320, 735, 195}, true, false},
    {"LblCurrent", "", {5280, 1320, 1485, 195}, false, false},
}};

struct PlacedButton {
  const char* name;
  const char* caption;
  Place place;
};
inline constexpr std::array<PlacedButton, 5> kExportButtons{{
    {"CmdConversion", text::kExportButton, {2520, 2040, 2295, 435}},
    {"CmdCancel", text::kCancelButton, {2520, 2040, 2295, 435}},
    {"CmdOpenFolder", text::kOpenFolderButton, {855, 2040, 1800, 435}},
    {"CmdOpenLog", text::kOpenLogButton, {2775, 2040, 1800, 435}},
    {"CmdClose", text::kCloseButton, {4695, 2040, 1800, 435}},
}};
// Indexes into kExportButtons.
enum ExportButton { kConversion, kCancel, kOpenFolder, kOpenLog, kClose };

}  // namespace mailshift::shell::layout
