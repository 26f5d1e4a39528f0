// Linked into backup_tests_zlib: the restore cases run with every chunk
// inflated by zlib alone, so that both decoding paths pass the same suite.
#include "backup/ChunkInflater.h"

namespace {

const bool kZlibOnly = (archive::ChunkInflater::EnableFastPath(false), true);

}  // namespace
