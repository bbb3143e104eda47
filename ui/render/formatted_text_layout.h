#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "ui/render/format_tags.h"
#include "ui/render/render_context.h"

// The layout of formatted text (formatted_text.cpp draws with it): each line is laid out twice,
// once to measure it and once from the same state to draw it aligned.
namespace ui {

inline constexpr UINT kAlignmentFormats = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;
inline constexpr int kAlignTop = 0;
inline constexpr int kAlignCenter = 4;
inline constexpr int kAlignBottom = 8;
inline constexpr wchar_t kEllipsis[] = L"...";

// Everything that a line starts from; kept so that a line can be measured and then drawn.
struct LayoutState {
  size_t position = 0;
  std::vector<HFONT> fonts;
  std::vector<uint32_t> colors;
  std::vector<int> spacings;
  std::vector<int> alignments;
  bool raw = false;
  bool selected = false;
  bool inLink = false;
  std::wstring linkText;
  POINT linkStart = {0, 0};
};

enum class Pass { Measure, Draw };

struct LineResult {
  bool textDone = false;
  bool hasContent = false;
  int width = 0;
  int height = 0;
  LONG contentBottom = 0;
};

class FormattedTextLayout {
 public:
  FormattedTextLayout(HDC dc,
                      IRenderContext* context,
                      std::wstring_view text,
                      uint32_t defaultColor,
                      RECT* linkRects,
                      std::wstring* linkTexts,
                      int linkCapacity,
                      UINT format)
      : dc_(dc),
        context_(context),
        text_(text),
        defaultColor_(defaultColor),
        linkRects_(linkRects),
        linkTexts_(linkTexts),
        linkCapacity_(linkRects && linkTexts ? std::max(linkCapacity, 0) : 0),
        format_(format) {}

  // Lays the text out in area starting with font; fills bounds with the lines' extent.
  void Run(HFONT font, const RECT& area, RECT& bounds);
  int LinkCount() const { return linkCount_; }

 private:
  bool Measuring() const { return (format_ & DT_CALCRECT) != 0; }
  bool SingleLine() const { return (format_ & DT_SINGLELINE) != 0; }

  LineResult RunLine(Pass pass, LONG top, int height, int shift);
  // Places (and in the drawing pass draws) as much of run as fits; false when the line ends.
  bool PlaceRun(std::wstring_view run, size_t sourceLength);
  bool PlaceImage(const InlineImageArgument& image);
  // Handles a tag; false when the line ends before it (the tag is then read again next line).
  bool ApplyTag(const FormatTag& tag);
  void ApplyLinkTag(const FormatTag& tag);
  bool ApplySpacingTag(const FormatTag& tag);

  void SelectCurrentFont();
  void PushFont(HFONT font);
  void PopFont();
  enum class FontStyle { Bold, Underline, Italic };
  HFONT StyledFont(FontStyle style);
  HFONT FindOrAddFont(std::wstring_view face, int size, bool bold, bool underline, bool italic);
  HFONT FontFromArgument(std::wstring_view argument);
  int FontHeight() const { return metrics_.tmHeight + metrics_.tmExternalLeading; }
  uint32_t CurrentColor() const {
    return state_.colors.empty() ? defaultColor_ : state_.colors.back();
  }
  LONG TextTop(int contentHeight) const;
  void Advance(int dx);
  void StoreLink();

  HDC dc_;
  IRenderContext* context_;
  std::wstring_view text_;
  uint32_t defaultColor_;
  RECT* linkRects_;
  std::wstring* linkTexts_;
  int linkCapacity_;
  UINT format_;
  std::wstring hoverLink_;
  bool hasHoverLink_ = false;
  int linkCount_ = 0;

  RECT area_ = {};
  LayoutState state_;
  TEXTMETRICW metrics_ = {};
  // The line being laid out.
  Pass pass_ = Pass::Measure;
  bool recordLinks_ = false;
  LONG lineTop_ = 0;
  int lineHeight_ = 0;
  int shift_ = 0;
  LONG x_ = 0;
  LONG widestX_ = 0;
  LONG contentBottom_ = 0;
  bool lineHasContent_ = false;
};

}  // namespace ui
