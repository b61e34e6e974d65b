#pragma once
// A window wired to a fake desktop, a fixed clock, Brazilian Portuguese settings and a fresh
// program folder, with helpers to reach its controls by name and to wait for a run.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <string>

#include "engine/regional.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "ui/fake_desktop.h"
#include "ui/inicio.h"

namespace testing_support {

inline platform::LocalDateTime FixedNow() { return {2024, 3, 15, 10, 20, 30}; }

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : desktop_(std::make_shared<FakeDesktop>()) {
    ui::InicioSetup setup;
    setup.program_folder = dir_.folder();
    setup.regional = engine::Regional::PtBr();
    setup.clock = FixedNow;
    setup.desktop = desktop_;
    window_ = std::make_unique<ui::Inicio>(std::move(setup));
  }

  template <class T>
  T* Control(const char* name) {
    T* control = window_->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) ADD_FAILURE() << "no control " << name;
    return control;
  }

  // Presses "&Criticar" and serves the event loop until the run has ended.
  bool RunAndWait(int timeout_ms = 30000) {
    QEventLoop loop;
    QObject::connect(window_.get(), &ui::Inicio::RunEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    window_->controller().Run();
    if (window_->IsRunning()) loop.exec();
    return !window_->IsRunning();
  }

  TempDir dir_;
  std::shared_ptr<FakeDesktop> desktop_;
  std::unique_ptr<ui::Inicio> window_;
};

}  // namespace testing_support
