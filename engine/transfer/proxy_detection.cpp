#include "engine/transfer/proxy_detection.h"

#include <system_error>
#include <thread>

#include "engine/transfer/winhttp_handles.h"

namespace {

bool DetectWithWinHttp(std::wstring& scriptAddress) {
  LPWSTR found = nullptr;
  if (!::WinHttpDetectAutoProxyConfigUrl(
          WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A, &found))
    return false;
  ScopedGlobalString address(found);
  scriptAddress = TextOf(address);
  return !scriptAddress.empty();
}

}  // namespace

ProxyDetection& ProxyDetection::Instance() {
  // Never destroyed: a detection may still be running when the process exits.
  static ProxyDetection* const detection = new ProxyDetection;
  return *detection;
}

ProxyDetection::ProxyDetection() : run_(std::make_shared<Run>()), detector_(&DetectWithWinHttp) {}

std::shared_ptr<ProxyDetection::Run> ProxyDetection::CurrentRun(Detector& detector) {
  std::lock_guard<std::mutex> lock(mutex_);
  detector = detector_;
  return run_;
}

ProxyDetection::Answer ProxyDetection::Ask(std::chrono::milliseconds wait) {
  Detector detector;
  const std::shared_ptr<Run> run = CurrentRun(detector);
  std::unique_lock<std::mutex> lock(run->mutex);
  if (!run->started) {
    run->started = true;
    run->start = std::chrono::steady_clock::now();
    try {
      std::thread([run, detector] {
        std::wstring scriptAddress;
        bool found = false;
        try {
          found = detector(scriptAddress);
        } catch (const std::exception&) {
          found = false;
        }
        std::lock_guard<std::mutex> ended(run->mutex);
        run->finished = true;
        run->found = found;
        run->scriptAddress = std::move(scriptAddress);
        run->ended.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      // No thread, no detection: the run goes on as if the network named no script.
      run->finished = true;
    }
  }
  // The wait gives the mutex up, so the detection's thread can report.
  run->ended.wait_until(lock, run->start + wait, [&] { return run->finished; });
  Answer answer;
  if (!run->finished) {
    answer.state = State::kRunning;
  } else if (run->found) {
    answer.state = State::kFound;
    answer.scriptAddress = run->scriptAddress;
  }
  return answer;
}

bool ProxyDetection::Running() {
  Detector detector;
  const std::shared_ptr<Run> run = CurrentRun(detector);
  std::lock_guard<std::mutex> lock(run->mutex);
  return run->started && !run->finished;
}

void ProxyDetection::Reset(Detector detector) {
  std::lock_guard<std::mutex> lock(mutex_);
  run_ = std::make_shared<Run>();
  detector_ = detector ? std::move(detector) : Detector(&DetectWithWinHttp);
}
