// Tests of the pipeline-database link. They run inside dbus-run-session, so
// the session bus is a private one of the test.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "vexil/object.h"

int main(int argc, char **argv)
{
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  vexil_startup();
  const int status = RUN_ALL_TESTS();
  vexil_shutdown();
  return status;
}
