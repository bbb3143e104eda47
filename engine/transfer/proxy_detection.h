#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// Auto-detection of the proxy script (WPAD: DHCP, then DNS), once a run. The network may take
// long to answer, so the first caller starts the one detection on a thread of its own, and every
// caller waits for it only until a given time after its start. A detection still running then
// goes on alone (no second one starts), and its answer serves whoever asks after it came.
// Shared by the engine's threads; no lock is held while waiting.
class ProxyDetection {
 public:
  enum class State { kRunning, kFound, kNone };
  struct Answer {
    State state = State::kNone;
    std::wstring scriptAddress;  // when kFound
  };
  // Finds the script's address; false when the network names none.
  using Detector = std::function<bool(std::wstring& scriptAddress)>;

  static ProxyDetection& Instance();

  // The detection's answer, starting it the first time and waiting for it until `wait` after its
  // start.
  Answer Ask(std::chrono::milliseconds wait);
  // Whether a detection has started and not ended.
  bool Running();
  // Forgets the answer, so that the next Ask detects again, with detector in place of WinHTTP's
  // (null: WinHTTP's). A detection still running ends unheard. For tools and tests.
  void Reset(Detector detector = nullptr);

 private:
  // One detection and what it found; its thread keeps it alive until it ends.
  struct Run {
    std::mutex mutex;
    std::condition_variable ended;
    bool started = false, finished = false, found = false;
    std::wstring scriptAddress;
    std::chrono::steady_clock::time_point start;
  };

  ProxyDetection();
  std::shared_ptr<Run> CurrentRun(Detector& detector);

  std::mutex mutex_;  // guards run_ and detector_, never held while waiting
  std::shared_ptr<Run> run_;
  Detector detector_;
};
