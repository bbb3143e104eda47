// Developer tool: drives the install engine the way the wizard does, without a window, and prints
// every progress report. Usage:
//   engine-run <update base address> <install folder> [--download <url> <file name>]
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/install_engine.h"
#include "engine/text_convert.h"

namespace {

void PrintUsage() {
  std::fwprintf(stderr,
                L"usage: engine-run <update base address> <install folder>\n"
                L"                  [--download <url> <file name>]\n");
}

std::string Narrow(const std::wstring& text) {
  return WideToAnsi(text.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    PrintUsage();
    return 2;
  }
  std::wstring baseAddress = argv[1];
  std::wstring installDir = argv[2];
  std::wstring downloadUrl, downloadName;
  for (int i = 3; i < argc; ++i) {
    std::wstring option = argv[i];
    if (option == L"--download" && i + 2 < argc) {
      downloadUrl = argv[++i];
      downloadName = argv[++i];
    } else {
      PrintUsage();
      return 2;
    }
  }

  // The wizard creates the install folder before it starts the engine.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(installDir), ignored);

  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUpdateServer(baseAddress);
  std::printf("manifest: %s\n", Narrow(engine.UpdateManifestAddress()).c_str());

  std::thread worker;
  ProgressHandler onProgress = [&](int stage, int code, int total, int downloaded, int start,
                                   const std::string& fileName) {
    std::printf("progress stage=%d code=%d total=%d downloaded=%d start=%d file=\"%s\"\n", stage,
                code, total, downloaded, start, fileName.c_str());
    std::fflush(stdout);
    if (stage == kStageUpdateCheck && !downloadUrl.empty()) {
      // As in the wizard, the stage-1 report starts the second thread.
      worker = std::thread([&] {
        std::wstring localPath = installDir + L"\\temp.pak";
        InstallEngine::Instance().DownloadFile(downloadUrl, localPath, downloadName);
      });
    }
  };
  CompletionHandler onComplete = [] { std::printf("complete\n"); };

  std::thread checker([&] {
    engine.SetCallbacks(onProgress, onComplete);
    engine.CheckUpdate();
  });
  checker.join();
  if (worker.joinable())
    worker.join();
  std::printf("manifest bytes: %u\n", static_cast<unsigned>(engine.manifestText.size()));
  std::printf("%s", engine.manifestText.c_str());
  return engine.resultCode == 0 ? 0 : 1;
}
