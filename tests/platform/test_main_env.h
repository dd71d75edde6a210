// Shared set-up of the layer's tests: one Qt application for the whole test program (created on
// first use, kept until the process ends), and a fixture that installs a modal script whose
// unanswered requests fail the test instead of waiting for a user.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include "helper_processes.h"
#include "platform/modal.h"
#include "platform/sync.h"

namespace platform::test {

// The test program's QApplication (made here unless one exists already).
inline QApplication* EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return qobject_cast<QApplication*>(QCoreApplication::instance());
  static int argc = 1;
  static char arg0[] = "platform_tests";
  static char* argv[] = {arg0, nullptr};
  testsupport::EndHelperProcessesAtExit();
  auto* app = new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  platform::SetGuiThread();
  return app;
}

// A test with a Qt application and an installed modal script. Every modal request must have a
// queued answer (else the test fails), and every queued answer must be used by the end.
class ScriptedModalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(EnsureApplication(), nullptr) << "the tests need a QApplication";
    ModalService& s = ModalService::Instance();
    s.InstallScript();
    s.SetUnexpectedHandler([](const ModalRecord& r) {
      ADD_FAILURE() << "unexpected modal request: " << DescribeModalRecord(r);
    });
  }

  void TearDown() override {
    ModalService& s = ModalService::Instance();
    EXPECT_EQ(s.PendingAnswers(), 0u) << "queued modal answers were not used";
    s.UninstallScript();
  }

  static ModalService& Modal() { return ModalService::Instance(); }
};

}  // namespace platform::test
