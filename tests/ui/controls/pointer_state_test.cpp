#include "ui/controls/pointer_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

constexpr bool kInside = true;
constexpr bool kOutside = false;
constexpr bool kEnabled = true;
constexpr bool kDisabled = false;

enum class Event { Enter, Hover, Leave, Press, Move, Release, CaptureLost, Disable };

// One pointer event as a control hands it on, with where the pointer is and whether the target
// is enabled.
struct Step {
  Event event;
  bool inside = kInside;
  bool enabled = kEnabled;
};

struct Outcome {
  int changes = 0;  // steps that asked for a repaint
  int clicks = 0;
};

Outcome Apply(PointerState& pointer, const std::vector<Step>& steps) {
  Outcome outcome;
  for (const Step& step : steps) {
    bool changed = false;
    switch (step.event) {
      case Event::Enter:
        changed = pointer.Enter(step.inside, step.enabled);
        break;
      case Event::Hover:
        changed = pointer.Hover(step.inside, step.enabled);
        break;
      case Event::Leave:
        changed = pointer.Leave();
        break;
      case Event::Press:
        changed = pointer.Press(step.inside, step.enabled);
        break;
      case Event::Move:
        changed = pointer.Move(step.inside);
        break;
      case Event::Release: {
        const PointerState::Release release = pointer.ReleaseButton(step.inside, step.enabled);
        changed = release != PointerState::Release::NoPress;
        outcome.clicks += release == PointerState::Release::Click ? 1 : 0;
        break;
      }
      case Event::CaptureLost:
        changed = pointer.EndPress();
        break;
      case Event::Disable:
        pointer.Reset();
        break;
    }
    outcome.changes += changed ? 1 : 0;
  }
  return outcome;
}

TEST(PointerStateTest, EventSequencesLeaveTheirState) {
  using enum Event;
  struct Case {
    const char* description;
    std::vector<Step> steps;
    uint32_t bits;
    int changes;
    int clicks;
  };
  const Case kCases[] = {
      {"entering makes hot", {{Enter}}, StateHot, 1, 0},
      {"a second enter changes nothing", {{Enter}, {Enter}}, StateHot, 1, 0},
      {"entering the control but not this part", {{Enter, kOutside}}, 0, 0, 0},
      {"a disabled target does not light up", {{Enter, kInside, kDisabled}}, 0, 0, 0},
      {"leaving ends hot", {{Enter}, {Leave}}, 0, 2, 0},
      {"leaving what was never entered", {{Leave}}, 0, 0, 0},
      {"hover follows the pointer", {{Hover}, {Hover, kOutside}, {Hover}}, StateHot, 3, 0},
      {"hover over a disabled target", {{Hover, kInside, kDisabled}}, 0, 0, 0},
      {"a press inside pushes and captures",
       {{Enter}, {Press}},
       StateHot | StatePushed | StateCaptured,
       2,
       0},
      {"a press outside is ignored", {{Press, kOutside}}, 0, 0, 0},
      {"a press on a disabled target is ignored", {{Press, kInside, kDisabled}}, 0, 0, 0},
      {"moving out while held lets go of pushed, not of the capture",
       {{Press}, {Move, kOutside}},
       StateCaptured,
       2,
       0},
      {"moving back in pushes again",
       {{Press}, {Move, kOutside}, {Move}},
       StatePushed | StateCaptured,
       3,
       0},
      {"moving without a press changes nothing", {{Enter}, {Move, kOutside}}, StateHot, 1, 0},
      {"a release inside clicks", {{Enter}, {Press}, {Release}}, StateHot, 3, 1},
      {"out and back in before the release still clicks",
       {{Press}, {Move, kOutside}, {Move}, {Release}},
       0,
       4,
       1},
      {"a release outside ends the press without a click",
       {{Press}, {Move, kOutside}, {Release, kOutside}},
       0,
       3,
       0},
      {"a release over a disabled target is no click",
       {{Press}, {Release, kInside, kDisabled}},
       0,
       2,
       0},
      {"a release without a press is no click", {{Release}}, 0, 0, 0},
      {"a lost capture ends the press; the late release is no click",
       {{Enter}, {Press}, {CaptureLost}, {Release}},
       StateHot,
       3,
       0},
      {"a lost capture without a press", {{CaptureLost}}, 0, 0, 0},
      {"leaving while held keeps the press",
       {{Enter}, {Press}, {Leave}},
       StatePushed | StateCaptured,
       3,
       0},
      {"disabling while held drops everything; the release is no click",
       {{Enter}, {Press}, {Disable}, {Release}},
       0,
       2,
       0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    PointerState pointer;
    const Outcome outcome = Apply(pointer, c.steps);
    EXPECT_EQ(c.bits, pointer.Bits());
    EXPECT_EQ(c.changes, outcome.changes) << "steps that asked for a repaint";
    EXPECT_EQ(c.clicks, outcome.clicks);
  }
}

}  // namespace
}  // namespace ui
