#include "ui/render/formatted_text_layout.h"

#include <cwctype>

#include "base/attribute_values.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/image_record.h"
#include "ui/render/render_engine.h"

namespace ui {
namespace {

// Fonts that tags add to a window's table get ids below any that a skin can give, so that they
// are found only by their description.
int NextAddedFontId() {
  static int next = -0x10000;
  return next--;
}

bool IsWordBreak(wchar_t c) {
  return c == L' ' || !std::iswalpha(c);
}

}  // namespace

void FormattedTextLayout::Run(HFONT font, const RECT& area, RECT& bounds) {
  area_ = area;
  // The link under the mouse is found among the rectangles of the previous call.
  const POINT mouse = context_->GetMousePos();
  for (int i = 0; i < linkCapacity_; ++i) {
    if (::PtInRect(&linkRects_[i], mouse)) {
      hoverLink_ = linkTexts_[i];
      hasHoverLink_ = true;
      break;
    }
  }
  state_.fonts.push_back(font);
  SelectCurrentFont();

  LONG top = area.top;
  LONG lastTop = top;
  LineResult last;
  int widest = 0;
  LONG contentBottom = top;
  bool firstLine = true;
  for (;;) {
    const LayoutState lineStart = state_;
    const int startHeight = FontHeight() + (state_.spacings.empty() ? 0 : state_.spacings.back());
    recordLinks_ = Measuring();
    LineResult line = RunLine(Pass::Measure, top, startHeight, 0);
    // A break (a line feed, "n" or a closing "p") ends its line, not the text: what follows it
    // up to the end, with nothing to show, is no line of its own.
    if (line.textDone && !line.hasContent && !firstLine)
      break;
    firstLine = false;
    if (!Measuring()) {
      int shift = 0;
      if (!SingleLine()) {
        const int room = area.right - area.left;
        if (format_ & DT_RIGHT)
          shift = room - line.width;
        else if (format_ & DT_CENTER)
          shift = (room - line.width) / 2;
      }
      const size_t end = state_.position;
      state_ = lineStart;
      SelectCurrentFont();
      recordLinks_ = true;
      RunLine(Pass::Draw, top, line.height, shift);
      // Both passes make the same decisions, so the drawing pass ends where the measuring did.
      state_.position = std::max(state_.position, end);
    }
    widest = std::max(widest, line.width);
    contentBottom = std::max(contentBottom, line.contentBottom);
    last = line;
    lastTop = top;
    if (line.textDone || SingleLine())
      break;
    // A line that took nothing would come back unchanged.
    if (state_.position == lineStart.position)
      break;
    top += line.height;
    if (top >= area.bottom)
      break;
  }
  bounds = area;
  bounds.right = std::min<LONG>(area.right, area.left + widest);
  bounds.bottom = std::max<LONG>(lastTop + last.height, contentBottom);
}

LineResult FormattedTextLayout::RunLine(Pass pass, LONG top, int height, int shift) {
  pass_ = pass;
  lineTop_ = top;
  lineHeight_ = height;
  shift_ = shift;
  x_ = area_.left;
  widestX_ = x_;
  contentBottom_ = top;
  lineHasContent_ = false;

  LineResult result;
  size_t& position = state_.position;
  for (;;) {
    if (position >= text_.size()) {
      result.textDone = true;
      break;
    }
    const wchar_t c = text_[position];
    if (c == L'\r') {
      ++position;
      continue;
    }
    if (c == L'\n') {
      ++position;
      break;
    }
    if (state_.raw) {
      const auto tag = MatchFormatTag(text_, position);
      if (tag && tag->closing && tag->letter == L'r') {
        state_.raw = false;
        position = tag->end;
        continue;
      }
    } else {
      if (const auto escaped = MatchFormatEscape(text_, position)) {
        const wchar_t character = *escaped;
        if (!PlaceRun(std::wstring_view(&character, 1), kFormatEscapeLength))
          break;
        continue;
      }
      if (const auto tag = MatchFormatTag(text_, position)) {
        if (!ApplyTag(*tag))
          break;
        continue;
      }
    }
    // A run: one space alone, or the characters up to the next space, tag, escape or line end.
    size_t end = position + 1;
    if (c != L' ') {
      while (end < text_.size()) {
        const wchar_t next = text_[end];
        if (next == L' ' || next == L'\n' || next == L'\r')
          break;
        if (next == L'<' || next == L'{') {
          if (state_.raw) {
            const auto tag = MatchFormatTag(text_, end);
            if (tag && tag->closing && tag->letter == L'r')
              break;
          } else if (MatchFormatEscape(text_, end) || MatchFormatTag(text_, end)) {
            break;
          }
        }
        ++end;
      }
    }
    const std::wstring_view run = text_.substr(position, end - position);
    if (!PlaceRun(run, run.size()))
      break;
  }
  result.hasContent = lineHasContent_;
  result.width = widestX_ - area_.left;
  result.height = lineHeight_;
  result.contentBottom = contentBottom_;
  return result;
}

bool FormattedTextLayout::PlaceRun(std::wstring_view run, size_t sourceLength) {
  SIZE size = {};
  ::GetTextExtentPoint32W(dc_, run.data(), static_cast<int>(run.size()), &size);
  size_t take = run.size();
  bool fits = x_ + size.cx <= area_.right;
  bool ellipsis = false;
  if (!fits) {
    if (run == L" ") {
      // A space at the end of a line is dropped rather than carried to the next one.
      state_.position += sourceLength;
      return false;
    }
    const bool wordBreak = (format_ & DT_WORDBREAK) != 0;
    ellipsis = !wordBreak && (format_ & DT_END_ELLIPSIS) != 0;
    int room = area_.right - x_;
    if (ellipsis) {
      SIZE dots = {};
      ::GetTextExtentPoint32W(dc_, kEllipsis, 3, &dots);
      room -= dots.cx;
    }
    int fit = 0;
    ::GetTextExtentExPointW(dc_, run.data(), static_cast<int>(run.size()), std::max(room, 0), &fit,
                            nullptr, &size);
    take = static_cast<size_t>(std::clamp(fit, 0, static_cast<int>(run.size())));
    if (wordBreak) {
      size_t breakAfter = take;
      while (breakAfter > 0 && !IsWordBreak(run[breakAfter - 1]))
        --breakAfter;
      if (breakAfter > 0)
        take = breakAfter;
      else if (lineHasContent_)
        take = 0;
    }
    if (take > 1 && IS_HIGH_SURROGATE(run[take - 1]))
      --take;
    // An empty line always takes something, or the text would never move on.
    if (take == 0 && !lineHasContent_)
      take = run.size() > 1 && IS_HIGH_SURROGATE(run[0]) ? 2 : 1;
    ::GetTextExtentPoint32W(dc_, run.data(), static_cast<int>(take), &size);
  }
  if (take > 0) {
    const LONG y = TextTop(FontHeight());
    if (pass_ == Pass::Draw) {
      ::SetTextColor(dc_, ToColorRef(CurrentColor()));
      if (state_.selected)
        ::SetBkMode(dc_, OPAQUE);
      ::TextOutW(dc_, x_ + shift_, y, run.data(), static_cast<int>(take));
      if (ellipsis)
        ::TextOutW(dc_, x_ + shift_ + size.cx, y, kEllipsis, 3);
      if (state_.selected)
        ::SetBkMode(dc_, TRANSPARENT);
    }
    lineHasContent_ = true;
    contentBottom_ = std::max<LONG>(contentBottom_, lineTop_ + FontHeight());
    Advance(size.cx);
    if (ellipsis) {
      SIZE dots = {};
      ::GetTextExtentPoint32W(dc_, kEllipsis, 3, &dots);
      Advance(dots.cx);
    }
    state_.position += take == run.size() ? sourceLength : take;
  }
  return fits;
}

bool FormattedTextLayout::PlaceImage(const InlineImageArgument& inlineImage) {
  ImageRecord* image =
      inlineImage.name.empty()
          ? nullptr
          : context_->GetOrAddImage(inlineImage.name,
                                    inlineImage.type.empty() ? nullptr : inlineImage.type.c_str(),
                                    /*mask=*/0, /*followsShift=*/false);
  if (!image)
    return true;
  const int frameWidth = image->width / inlineImage.frames;
  if (frameWidth <= 0)
    return true;
  if (x_ + frameWidth > area_.right && lineHasContent_ && !SingleLine())
    return false;
  if (pass_ == Pass::Draw) {
    const LONG y = TextTop(image->height);
    const RECT dest = {x_ + shift_, y, x_ + shift_ + frameWidth, y + image->height};
    const int sourceLeft = inlineImage.frame * frameWidth;
    RenderEngine::DrawImage(dc_, image->bitmap.Get(),
                            {.dest = dest,
                             .dirty = dest,
                             .source = {sourceLeft, 0, sourceLeft + frameWidth, image->height},
                             .hasAlpha = image->hasAlpha});
  }
  lineHasContent_ = true;
  lineHeight_ = std::max(lineHeight_, image->height);
  contentBottom_ = std::max<LONG>(contentBottom_, lineTop_ + image->height);
  Advance(frameWidth);
  return true;
}

// <a link> shows the link in the link colour, underlined, and records where it lies.
void FormattedTextLayout::ApplyLinkTag(const FormatTag& tag) {
  const std::wstring_view argument = tag.argument;
  if (!tag.closing) {
    const bool hover = hasHoverLink_ && argument == hoverLink_;
    state_.inLink = true;
    state_.linkText = argument;
    state_.linkStart = {x_ + shift_, lineTop_};
    state_.colors.push_back(hover ? context_->GetLinkHoverFontColor()
                                  : context_->GetLinkFontColor());
    PushFont(StyledFont(FontStyle::Underline));
  } else if (state_.inLink) {
    StoreLink();
    state_.inLink = false;
    if (!state_.colors.empty())
      state_.colors.pop_back();
    PopFont();
  }
}

// <p spacing> adds spacing to the height of its lines: it starts a new line, and its end ends one.
bool FormattedTextLayout::ApplySpacingTag(const FormatTag& tag) {
  if (!tag.closing) {
    if (lineHasContent_)
      return false;
    const int spacing = base::attribute::ParseInt(tag.argument);
    state_.spacings.push_back(spacing);
    if (pass_ == Pass::Measure)
      lineHeight_ = std::max(lineHeight_, FontHeight() + spacing);
  } else {
    if (!state_.spacings.empty())
      state_.spacings.pop_back();
    if (lineHasContent_) {
      state_.position = tag.end;
      return false;
    }
  }
  return true;
}

bool FormattedTextLayout::ApplyTag(const FormatTag& tag) {
  size_t& position = state_.position;
  const std::wstring_view argument = tag.argument;
  switch (tag.letter) {
    case L'a':
      ApplyLinkTag(tag);
      break;
    case L'b':
      tag.closing ? PopFont() : PushFont(StyledFont(FontStyle::Bold));
      break;
    case L'c':
      if (!tag.closing)
        state_.colors.push_back(base::attribute::ParseColorNoBlanks(argument));
      else if (!state_.colors.empty())
        state_.colors.pop_back();
      break;
    case L'f':
      tag.closing ? PopFont() : PushFont(FontFromArgument(argument));
      break;
    case L'i':
      if (tag.closing) {
        PopFont();
      } else if (argument.empty()) {
        PushFont(StyledFont(FontStyle::Italic));
      } else if (!PlaceImage(ParseInlineImageArgument(argument))) {
        return false;
      }
      break;
    case L'n':
      if (!tag.closing && !SingleLine()) {
        position = tag.end;
        return false;
      }
      break;
    case L'p':
      if (!ApplySpacingTag(tag))
        return false;
      break;
    case L'r':
      if (!tag.closing)
        state_.raw = true;
      break;
    case L's':
      state_.selected = !state_.selected;
      break;
    case L'u':
      tag.closing ? PopFont() : PushFont(StyledFont(FontStyle::Underline));
      break;
    case L'v':
      if (!tag.closing) {
        state_.alignments.push_back(argument == L"center" ? kAlignCenter
                                    : argument == L"top"  ? kAlignTop
                                                          : kAlignBottom);
      } else if (!state_.alignments.empty()) {
        state_.alignments.pop_back();
      }
      break;
    case L'x':
      if (!tag.closing)
        Advance(base::attribute::ParseInt(argument));
      break;
    case L'y':
      // The drawing pass keeps the height the measuring pass ended with.
      if (!tag.closing && pass_ == Pass::Measure)
        lineHeight_ = base::attribute::ParseInt(argument);
      break;
    default:
      break;
  }
  position = tag.end;
  return true;
}

void FormattedTextLayout::StoreLink() {
  if (!recordLinks_ || linkCount_ >= linkCapacity_)
    return;
  linkRects_[linkCount_] = {state_.linkStart.x, state_.linkStart.y, x_ + shift_,
                            state_.linkStart.y + FontHeight()};
  linkTexts_[linkCount_] = state_.linkText;
  ++linkCount_;
}

LONG FormattedTextLayout::TextTop(int contentHeight) const {
  const int alignment = state_.alignments.empty() ? kAlignBottom : state_.alignments.back();
  if (alignment == kAlignTop)
    return lineTop_;
  if (alignment == kAlignCenter)
    return lineTop_ + (lineHeight_ - contentHeight) / 2;
  return lineTop_ + lineHeight_ - contentHeight;
}

void FormattedTextLayout::Advance(int dx) {
  x_ += dx;
  widestX_ = std::max(widestX_, x_);
}

void FormattedTextLayout::SelectCurrentFont() {
  ::SelectObject(dc_, state_.fonts.back());
  ::GetTextMetricsW(dc_, &metrics_);
}

void FormattedTextLayout::PushFont(HFONT font) {
  state_.fonts.push_back(font ? font : state_.fonts.back());
  SelectCurrentFont();
  if (pass_ == Pass::Measure)
    lineHeight_ = std::max(lineHeight_, FontHeight());
}

// The font the text started with is never popped, so a stray closing tag changes nothing.
void FormattedTextLayout::PopFont() {
  if (state_.fonts.size() <= 1)
    return;
  const bool wasItalic = metrics_.tmItalic != 0;
  ABC space = {};
  if (wasItalic)
    ::GetCharABCWidthsW(dc_, L' ', L' ', &space);
  state_.fonts.pop_back();
  SelectCurrentFont();
  if (pass_ == Pass::Measure)
    lineHeight_ = std::max(lineHeight_, FontHeight());
  // Leave room for the slant of the last italic letter.
  if (wasItalic && !metrics_.tmItalic)
    Advance(static_cast<int>(space.abcB) / 2);
}

// The current font with style added; the current font itself when it has that style.
HFONT FormattedTextLayout::StyledFont(FontStyle style) {
  const FontInfo& info = context_->GetFontInfo(state_.fonts.back());
  bool bold = info.bold;
  bool underline = info.underline;
  bool italic = info.italic;
  bool& added = style == FontStyle::Bold        ? bold
                : style == FontStyle::Underline ? underline
                                                : italic;
  if (added)
    return state_.fonts.back();
  added = true;
  const std::wstring face = info.faceName;
  return FindOrAddFont(face, info.size, bold, underline, italic);
}

HFONT FormattedTextLayout::FindOrAddFont(std::wstring_view face,
                                         int size,
                                         bool bold,
                                         bool underline,
                                         bool italic) {
  if (HFONT found = context_->FindFont(face, size, bold, underline, italic))
    return found;
  return context_->AddFont(NextAddedFontId(), face, size, bold, underline, italic,
                           ResourceSet::Window);
}

HFONT FormattedTextLayout::FontFromArgument(std::wstring_view argument) {
  const FontArgument font = ParseFontArgument(argument);
  if (font.index >= 0)
    return context_->GetFont(font.index);
  return FindOrAddFont(font.faceName, font.size, font.bold, font.underline, font.italic);
}

}  // namespace ui
