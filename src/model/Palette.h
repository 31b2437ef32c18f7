#pragma once

// The colours the screens and controls share. Those that are interface colours come from the one
// table, themeColors (model/ThemeColors.h). A style sheet takes a colour as text: the *_CSS macros
// are the same colours spelt for style-sheet literals, so they join adjacent string literals
// ("border: 1px solid " TWINSIFT_GOLD_CSS ";"); a test checks each against its colour here.
// A colour one file alone uses stays in that file.

#include "model/ThemeColors.h"

#include <QColor>

#define TWINSIFT_GOLD_CSS "rgb(199, 157, 39)"
#define TWINSIFT_GREEN_CSS "rgb(9, 171, 9)"
#define TWINSIFT_FOCUS_BLUE_CSS "rgb(45, 140, 230)"

#define TWINSIFT_WINDOW_BACKGROUND_CSS "rgb(34, 34, 34)"
#define TWINSIFT_RESULTS_BACKGROUND_CSS "rgb(38, 38, 38)"
#define TWINSIFT_PANEL_BACKGROUND_CSS "rgb(39, 39, 39)"
#define TWINSIFT_DISABLED_BACKGROUND_CSS "rgb(40, 40, 40)"
#define TWINSIFT_HEADER_BACKGROUND_CSS "rgb(42, 42, 42)"
#define TWINSIFT_PREFERENCES_BACKGROUND_CSS "rgb(44, 44, 44)"
#define TWINSIFT_CARD_BACKGROUND_CSS "rgb(46, 46, 46)"
#define TWINSIFT_BOX_BACKGROUND_CSS "rgb(51, 51, 51)"
#define TWINSIFT_FIELD_BACKGROUND_CSS "rgb(52, 52, 52)"
#define TWINSIFT_ROW_SELECTION_CSS "rgb(54, 54, 54)"
#define TWINSIFT_PRESSED_BACKGROUND_CSS "rgb(58, 58, 58)"
#define TWINSIFT_BUTTON_FACE_CSS "rgb(62, 62, 62)"
#define TWINSIFT_PANEL_BORDER_CSS "rgb(64, 64, 64)"
#define TWINSIFT_FRAME_CSS "rgb(69, 69, 69)"
#define TWINSIFT_CELL_BORDER_CSS "rgb(71, 71, 71)"
#define TWINSIFT_MUTED_BUTTON_CSS "rgb(72, 72, 72)"
#define TWINSIFT_HOVER_BACKGROUND_CSS "rgb(74, 74, 74)"
#define TWINSIFT_SUBTLE_BORDER_CSS "rgb(85, 85, 85)"
#define TWINSIFT_CONTROL_BORDER_CSS "rgb(90, 90, 90)"
#define TWINSIFT_HOVER_BORDER_CSS "rgb(110, 110, 110)"
#define TWINSIFT_DISABLED_BUTTON_TEXT_CSS "rgb(119, 119, 119)"
#define TWINSIFT_DISABLED_TEXT_CSS "rgb(120, 120, 120)"
#define TWINSIFT_INDICATOR_BORDER_CSS "rgb(150, 150, 150)"
#define TWINSIFT_MUTED_TEXT_CSS "rgb(154, 154, 154)"
#define TWINSIFT_HINT_TEXT_CSS "rgb(160, 160, 160)"
#define TWINSIFT_CAPTION_TEXT_CSS "rgb(168, 168, 168)"
#define TWINSIFT_DETAIL_TEXT_CSS "rgb(180, 180, 180)"
#define TWINSIFT_SECONDARY_TEXT_CSS "rgb(183, 183, 183)"
#define TWINSIFT_HOVER_LIGHT_CSS "rgb(200, 200, 200)"
#define TWINSIFT_DIALOG_TEXT_CSS "rgb(216, 216, 216)"
#define TWINSIFT_CONTROL_TEXT_CSS "rgb(220, 220, 220)"
#define TWINSIFT_SLIDER_HANDLE_CSS "rgb(224, 224, 224)"
#define TWINSIFT_LABEL_TEXT_CSS "rgb(230, 230, 230)"
#define TWINSIFT_PRIMARY_TEXT_CSS "rgb(235, 235, 235)"
#define TWINSIFT_TITLE_TEXT_CSS "rgb(240, 240, 240)"
#define TWINSIFT_WHITE_CSS "rgb(255, 255, 255)"
#define TWINSIFT_BLACK_CSS "rgb(0, 0, 0)"
#define TWINSIFT_DIMMING_CSS "rgba(0, 0, 0, 150)"

namespace Palette {

// The accent: focus rings, ticked boxes, slider fill, highlighted captions.
inline constexpr QColor gold = themeColors[1];
// Go-ahead buttons (scan, trash, close), the marked count, ticked cells.
inline constexpr QColor green = themeColors[8];
// Focus rings of the results and sheet controls, links, the scan icon.
inline constexpr QColor focusBlue = themeColors[13];
// The application's selection highlight and the pressed link.
inline constexpr QColor selectionBlue = themeColors[14];

// Backgrounds, darkest first.
inline constexpr QColor windowBackground = themeColors[3]; // windows, tables, thumbnails, scroller knobs
inline constexpr QColor resultsBackground{38, 38, 38};     // the results' scroll areas
inline constexpr QColor panelBackground = themeColors[7];  // panels, cards, alternate rows, headers
inline constexpr QColor disabledBackground{40, 40, 40};    // disabled cards, the progress ring's track
inline constexpr QColor headerBackground{42, 42, 42};      // the home header, sheets, pressed buttons
inline constexpr QColor preferencesBackground{44, 44, 44}; // preference pages and their check boxes
inline constexpr QColor cardBackground{46, 46, 46};        // scan kind cards, tabs, dialogs, unticked cells
inline constexpr QColor dropArea{48, 48, 48};              // the drop area; the palette's mid shade
inline constexpr QColor boxBackground{51, 51, 51};         // boxes inside a sheet, the selected wizard row
inline constexpr QColor fieldBackground{52, 52, 52};       // fields, buttons, combo boxes, tool tips
inline constexpr QColor rowSelection{54, 54, 54};          // a selected table row
inline constexpr QColor pressedBackground{58, 58, 58};     // pressed tool buttons, check box faces
inline constexpr QColor buttonFace = themeColors[10];      // plain buttons, inactive tabs, sheet dialogs
inline constexpr QColor hoverBackground{74, 74, 74};       // hovered tool buttons, plain button borders

// Lines and plain faces.
inline constexpr QColor panelBorder = themeColors[4];   // card borders, grid headers, hovered round buttons
inline constexpr QColor frame = themeColors[9];         // panel and field frames, separators, scroll tracks
inline constexpr QColor cellBorder = themeColors[2];    // grid cell borders, the subscribe button
inline constexpr QColor mutedButton = themeColors[15];  // cancel and disabled buttons; the palette's light shade
inline constexpr QColor subtleBorder{85, 85, 85};       // hovered link and tool buttons, slider grooves
inline constexpr QColor controlBorder{90, 90, 90};      // button and combo box borders, disabled indicators
inline constexpr QColor hoverBorder{110, 110, 110};     // hovered cards, plain button borders, drop outlines
inline constexpr QColor indicatorBorder{150, 150, 150}; // radio and check box rings, the drop hint
inline constexpr QColor hoverLight{200, 200, 200};      // hovered check boxes, a pressed slider knob, viewer messages

// Text, darkest first.
inline constexpr QColor disabledButtonText{119, 119, 119}; // disabled buttons' captions
inline constexpr QColor disabledText{120, 120, 120};       // disabled text, outlines of quiet controls
inline constexpr QColor disabledGrey{128, 128, 128};       // disabled captions and links, the unselect icon
inline constexpr QColor mutedText{154, 154, 154};          // file property captions, unticked cell rings
inline constexpr QColor hintText{160, 160, 160};           // hints, descriptions, captions of idle buttons
inline constexpr QColor captionText{168, 168, 168};        // captions in sheets and dialogs
inline constexpr QColor detailText{180, 180, 180};         // counts and details in the results
inline constexpr QColor secondaryText = themeColors[0];    // secondary text across the screens
inline constexpr QColor dialogText{216, 216, 216};         // labels in sheets and dialogs
inline constexpr QColor controlText{220, 220, 220};        // table and combo box text, wizard titles
inline constexpr QColor sliderHandle{224, 224, 224};       // slider handles
inline constexpr QColor labelText{230, 230, 230};          // labels in the results, slider knobs
inline constexpr QColor primaryText{235, 235, 235};        // the theme's text
inline constexpr QColor titleText{240, 240, 240};          // titles, glyphs over pictures
inline constexpr QColor white = themeColors[5];            // text and marks on coloured fills
inline constexpr QColor glyphFill{255, 255, 255, 230};     // glyphs laid over thumbnails

inline constexpr QColor black{0, 0, 0};        // scroller tracks, shadows, store badges
inline constexpr QColor dimming{0, 0, 0, 150}; // the shade laid over a window behind a sheet

} // namespace Palette
