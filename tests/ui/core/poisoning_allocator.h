#pragma once

// Linked into a test program, poisoning_allocator.cpp replaces its operator new and delete: freed
// memory is filled with this byte and not reused at once.
namespace ui::testing_support {

inline constexpr unsigned char kPoisonByte = 0xDD;

}  // namespace ui::testing_support
