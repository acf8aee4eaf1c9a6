// One QApplication for every test of an executable, on the offscreen platform, with a private
// rendezvous folder so that tests never talk to programs the user is running.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir rendezvous;
  if (qEnvironmentVariableIsEmpty("ZK_RENDEZVOUS_DIR") && rendezvous.isValid()) {
    ::chmod(rendezvous.path().toLocal8Bit().constData(), 0700);
    qputenv("ZK_RENDEZVOUS_DIR", rendezvous.path().toLocal8Bit());
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
