// Array blocks in COM task memory.
#include <objbase.h>

#include "server/core/block_memory.h"

namespace velmor::server {

void* AllocateBlock(std::size_t bytes) { return CoTaskMemAlloc(bytes); }
void* ReallocateBlock(void* block, std::size_t bytes) { return CoTaskMemRealloc(block, bytes); }
void FreeBlock(void* block) { CoTaskMemFree(block); }

}  // namespace velmor::server
