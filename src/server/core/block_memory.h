// Where the growable arrays keep their blocks. The library's build takes them
// from COM task memory; a build of the portable core without COM, from the C
// runtime's heap.
#pragma once

#include <cstddef>

namespace velmor::server {

// Null when the block cannot be had; ReallocateBlock then leaves the old one.
void* AllocateBlock(std::size_t bytes);
void* ReallocateBlock(void* block, std::size_t bytes);
void FreeBlock(void* block);

}  // namespace velmor::server
