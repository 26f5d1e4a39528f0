#include "app/SetupPaths.h"

#include "runtime/FileSystem.h"

TSetupPaths& SetupPaths() {
  static TSetupPaths paths{ExeDirectory()};
  return paths;
}
