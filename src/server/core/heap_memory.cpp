// Array blocks on the C runtime's heap, for builds without COM.
#include <cstdlib>

#include "server/core/block_memory.h"

namespace velmor::server {

void* AllocateBlock(std::size_t bytes) { return std::malloc(bytes); }
void* ReallocateBlock(void* block, std::size_t bytes) { return std::realloc(block, bytes); }
void FreeBlock(void* block) { std::free(block); }

}  // namespace velmor::server
