#pragma once

#include <array>
#include <string_view>

// Which string table texts a language switch pushes where, besides the tag rule. German ids; the
// string table picks the current language.
namespace orv::language {

// Message texts that other windows show later, loaded in this order on every switch
// (226 and 229 are fetched where they are shown).
inline constexpr auto SharedMessageIds =
    std::to_array<int>({218, 225, 227, 228, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 240,
                        241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255,
                        256, 257, 258, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313});

struct NamedText {
    std::string_view control;
    int germanId;
};

// Menu captions of the main window. mnuStartLog ("S&tart"), mnuReset ("&Reset") and the
// separators keep their fixed captions.
inline constexpr auto MenuCaptions = std::to_array<NamedText>({
    {"mnu1", 200},        {"mnuOpenLog", 201}, {"mnuCloseLog", 202}, {"mnuLogView", 203},
    {"mnuEnd", 204},      {"mnu3", 205},       {"mnuPort", 206},     {"mnuMessw", 207},
    {"mnuAlarms", 352},   {"mnuMqtt", 388},    {"mnu4", 208},        {"mnuOnline", 209},
    {"mnuMon", 210},      {"mnuOnlGraf", 211}, {"mnu8", 212},        {"mnuWSet", 213},
    {"mnuWMainSet", 214}, {"mnuHelp", 215},    {"mnuHilfe", 216},    {"mnuInfo", 217},
});

// Tips of the main window's value boxes; applied after the tag texts, so they win.
inline constexpr auto ValueBoxTips = std::to_array<NamedText>({
    {"txtRH", 190},
    {"txtTp", 191},
    {"txtTemp", 189},
});

struct ToolbarTip {
    int button; // 1-based, as the toolbar counts its buttons
    int germanId;
};

inline constexpr auto ToolbarTips = std::to_array<ToolbarTip>({
    {2, 290},
    {3, 291},
    {5, 292},
    {6, 293},
    {7, 294},
});

struct DesignTag {
    std::string_view window;
    std::string_view control; // empty: the window itself
    int tag;
};

// The tag numbers of the window designs; caption and tip follow from the tag rule. Windows and
// controls not listed have no tag and keep their design texts.
inline constexpr auto DesignTags = std::to_array<DesignTag>({
    {"frmMain", "cmdGer", 1},
    {"frmMain", "cmdUk", 2},
    {"frmMain", "txtTemp", 45},
    {"frmMain", "txtRH", 46},
    {"frmMain", "txtTp", 47},
    {"Dialog", "", 12},
    {"Dialog", "Frame2", 3},
    {"Dialog", "optTCF(0)", 4},
    {"Dialog", "optTCF(1)", 5},
    {"Dialog", "optTCF(2)", 6},
    {"Dialog", "Frame1", 8},
    {"Dialog", "optFT(0)", 9},
    {"Dialog", "optFT(1)", 10},
    {"Dialog", "CancelButton", 11},
    {"dlgPort", "", 13},
    {"dlgPort", "CancelButton", 14},
    {"frmData", "Frame1", 15},
    {"frmData", "Frame2", 19},
    {"frmData", "Frame3", 23},
    {"frmData", "Frame4", 27},
    {"Splash", "cmdWeb", 34},
    {"frmOfflGraf", "chkDate", 35},
    {"frmOfflGraf", "chkTime", 36},
    {"frmOfflGraf", "chkDrag", 37},
    {"frmOfflGraf", "cmdQuitZoom", 38},
    {"frmOfflGraf", "cmdExport", 40},
    {"frmOfflGraf", "", 41},
    {"frmOnlGraf", "", 42},
    {"frmOnline", "lblSen(0)", 43},
    {"frmOnline", "lblSen(1)", 44},
});

} // namespace orv::language
