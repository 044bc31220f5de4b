// The keys of the settings file that the program owns, each declared once: its section and name
// (spelled as the file format has them), its type, what a trusted file without it gives, and for
// the control panel's keys the panel's built-in value and the range a run holds it to. Reading,
// holding in and writing go through this table; everything else in the file belongs to the user
// or to other versions and is left as it is.
#pragma once

#include "settings/ini_text.h"

#include <QString>

enum class SettingType { Int, Text };

// How a stored value outside lo..hi is brought in for a run. The stored value itself stays.
enum class OutOfRange {
    Free,    // every value is usable (window placement, texts)
    Nearest, // a count or a slider position: the nearest end of the range
    BuiltIn, // a list index or a corner, which has no nearest choice: the panel's built-in value
    Flag,    // a check box: every value but 0 is on (1)
};

struct SettingKey {
    const char* section;
    const char* key;
    SettingType type = SettingType::Int;
    int missing = 0; // what a trusted file without the key gives
    int builtIn = 0; // the value before any file is read; also what text that is no number gives
    int lo = 0, hi = 0;
    OutOfRange rule = OutOfRange::Free;
};

namespace settings {

using enum SettingType;
using enum OutOfRange;

// Each entry: section, key, type, value when missing, built-in value, range, out of range.
inline constexpr SettingKey kVersion{"Infomation", "version", Text};

inline constexpr SettingKey kLeft{"ViewSettings", "left"};
inline constexpr SettingKey kTop{"ViewSettings", "top"};
inline constexpr SettingKey kRight{"ViewSettings", "right"};
inline constexpr SettingKey kBottom{"ViewSettings", "bottom"};
inline constexpr SettingKey kStyle{"ViewSettings", "style", Int, 1, 1}; // 1 normal, 3 maximised

inline constexpr SettingKey kBitSet{"ControllPanel", "BitSet", Int, 0, 0, 0, 3, BuiltIn};
inline constexpr SettingKey kNumBit{"ControllPanel", "numBit", Int, 0, 64, 2, 256, Nearest};
inline constexpr SettingKey kAdd16{"ControllPanel", "Add16", Int, 0, 0, 0, 1, Flag};
inline constexpr SettingKey kDitherMode{"ControllPanel", "DitherMode", Int, 0, 0, 0, 4, BuiltIn};
inline constexpr SettingKey kDitherLevel{"ControllPanel", "DitherLevel", Int, 0, 7, 0, 10, Nearest};
inline constexpr SettingKey kMagCR{"ControllPanel", "magCR", Int, 0, 10, 0, 20, Nearest};
inline constexpr SettingKey kMagGM{"ControllPanel", "magGM", Int, 0, 10, 0, 20, Nearest};
inline constexpr SettingKey kMagWB{"ControllPanel", "magWB", Int, 0, 10, 0, 20, Nearest};
inline constexpr SettingKey kMagYB{"ControllPanel", "magYB", Int, 0, 10, 0, 20, Nearest};
inline constexpr SettingKey kInBit{"ControllPanel", "InBit", Int, 0, 3, 0, 3, BuiltIn};
inline constexpr SettingKey kOutBit{"ControllPanel", "OutBit", Int, 0, 8, 0, 8, BuiltIn};
inline constexpr SettingKey kTransMode{"ControllPanel", "TransMode", Int, 0, 0, 0, 1, Flag};
inline constexpr SettingKey kTransPosition{"ControllPanel", "TransPosition", Int, 0, 3, 0, 3,
                                           BuiltIn};
inline constexpr SettingKey kBatchFileType{"ControllPanel", "BatchFileType", Int, 0, 0, 0, 2,
                                           BuiltIn};
inline constexpr SettingKey kBatchPath{"ControllPanel", "BatchPath", Text};
inline constexpr SettingKey kGifMode{"ControllPanel", "GifMode", Int, 0, 0, 0, 3, BuiltIn};
inline constexpr SettingKey kPngMode{"ControllPanel", "PngMode", Int, 0, 0, 0, 1, Flag};
inline constexpr SettingKey kRefinePasses{"ControllPanel", "RefinePasses", Int, 0, 0, 0, 16,
                                          Nearest};
// The palette file a run maps onto; empty: the run computes its palette.
inline constexpr SettingKey kPaletteFile{"ControllPanel", "PaletteFile", Text};

// The control panel's keys in the order the file lists them.
inline constexpr const SettingKey* kPanelKeys[] = {
    &kBitSet,  &kNumBit,    &kAdd16,         &kDitherMode,    &kDitherLevel,
    &kMagCR,   &kMagGM,     &kMagWB,         &kMagYB,         &kInBit,
    &kOutBit,  &kTransMode, &kTransPosition, &kBatchFileType, &kBatchPath,
    &kGifMode, &kPngMode,   &kRefinePasses,  &kPaletteFile};

// The main window's tool bar and status bar (QMainWindow::saveState in base64; 0/1).
inline constexpr SettingKey kBarState{"BarStatus", "State", Text};
inline constexpr SettingKey kStatusBar{"BarStatus", "StatusBar", Int, 1, 1, 0, 1, Flag};

inline constexpr SettingKey kOpenDir{"FileOperation", "OpenDir", Text};
inline constexpr SettingKey kSaveDir{"FileOperation", "SaveDir", Text};
inline constexpr SettingKey kPluginPath{"FileOperation", "PluginPath", Text};

// The recent files of the File menu: File1, File2, ... newest first.
inline constexpr const char* kRecentFileSection = "Recent File List";

} // namespace settings

// Decimal text, saturated at the ends of int. A missing key gives key.missing; text that is no
// whole number gives key.builtIn.
[[nodiscard]] int ReadInt(const IniText& file, const SettingKey& key);
// The text with one pair of enclosing quotes removed; a missing key gives the empty text.
[[nodiscard]] QString ReadText(const IniText& file, const SettingKey& key);
void WriteInt(IniText& file, const SettingKey& key, int value);
// Quoted when blanks at either end or enclosing quotes would otherwise be lost. A text with a
// line break cannot be stored on one line and leaves the key as it was.
void WriteText(IniText& file, const SettingKey& key, const QString& value);

// The value a run takes for a stored `value` of `key` (see OutOfRange).
[[nodiscard]] int BringIntoRange(const SettingKey& key, int value);

// Whether the file was written by exactly this version of the program; only then are its other
// keys read. A program without a version trusts no file.
[[nodiscard]] bool SettingsTrusted(const IniText& file, const QString& runningVersion);
