#include "engine/install_engine.h"

#include "engine/text_convert.h"
#include "engine/user_prompt.h"

#ifndef QUENBY_UPDATE_BASE_URL
#error "QUENBY_UPDATE_BASE_URL must name the update server"
#endif

InstallEngine::InstallEngine()
    : updateServer_(Utf8ToWide(QUENBY_UPDATE_BASE_URL)), prompt_(&SystemUserPrompt()) {}

InstallEngine& InstallEngine::Instance() {
  // Never destroyed: a detached install thread may still be inside a transfer when the process
  // exits, and its callbacks must not meet a destroyed engine.
  static InstallEngine* const engine = new InstallEngine;
  return *engine;
}

void InstallEngine::SetCallbacks(const ProgressHandler& progress,
                                 const CompletionHandler& completion) {
  onProgress = progress;
  onComplete = completion;
}

void InstallEngine::ReportProgress(const std::string& fileName) {
  onProgress(stage, resultCode, totalBytes, downloadedBytes, startTime, fileName);
}
