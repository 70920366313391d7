// Memory running out while a picture loads: the load gives handle 0 like any picture that cannot be
// read, nothing of it is kept, and the engine goes on. Out of memory is stood in for by this program's
// own operator new, which fails every allocation from a set size on (the sanitizers' allocator ends the
// process instead of throwing, and a real limit on the address space does not work under them).
#include <SDL.h>
#include <SDL_image.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <vector>

#include "tests/omega/support/EngineFixture.h"

namespace {

// 0: every allocation succeeds. Read by the decoding threads too.
std::atomic<std::size_t> gFailFrom{0};

void* Allocate(std::size_t size) {
  if (gFailFrom != 0 && size >= gFailFrom) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

// Allocations of `bytes` or more fail while it lives.
struct OutOfMemoryFrom {
  explicit OutOfMemoryFrom(std::size_t bytes) { gFailFrom = bytes; }
  ~OutOfMemoryFrom() { gFailFrom = 0; }
};

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class OutOfMemory : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // 512×512: a megabyte decoded. Opaque (a JPEG, a PNG) and translucent (its runs are a copy).
    omega_test::WritePng("opaque.png", 512, 512, std::vector<uint32_t>(512 * 512, 0xFF336699u));
    omega_test::WritePng("soft.png", 512, 512, std::vector<uint32_t>(512 * 512, 0x80336699u));
    omega_test::WritePng("small.png", 16, 16, std::vector<uint32_t>(256, 0xFF336699u));
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 512, 512, 32, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(IMG_SaveJPG(s, "photo.jpg", 90), 0);
    SDL_FreeSurface(s);
  }
};

TEST_F(OutOfMemory, APictureThatCannotBeHeldLoadsAsZeroAndLaterLoadsWork) {
  for (const bool ahead : {false, true}) {
    SCOPED_TRACE(ahead ? "decoded ahead" : "decoded by its load");
    omega::ResetEngine();
    omega::E().Ahead.SetOn(ahead);
    if (ahead) {
      // The pictures are found in a folder of their own, as the game's are under Data.
      std::filesystem::create_directories("Data");
      for (const char* name : {"opaque.png", "soft.png", "small.png", "photo.jpg"})
        std::filesystem::copy_file(name, std::string("Data/") + name, std::filesystem::copy_options::overwrite_existing);
    }
    const std::string folder = ahead ? "Data\\" : "";
    {
      const OutOfMemoryFrom failing(256 << 10);
      for (const char* name : {"opaque.png", "soft.png", "photo.jpg"}) {
        EXPECT_EQ(Tex_LoadFromFile((folder + name).c_str(), -1, 1), 0u) << name << ": expected a failed load";
        EXPECT_EQ(Tex_LoadMaskFromFile((folder + name).c_str()), 0) << name << ": expected a failed mask";
      }
      EXPECT_NE(Tex_LoadFromFile((folder + "small.png").c_str(), -1, 1), 0u) << "a picture that fits still loads";
      EXPECT_EQ(omega::E().Pictures.Textures.size(), 1u) << "a failed load kept a texture";
    }
    for (const char* name : {"opaque.png", "soft.png", "photo.jpg"})
      EXPECT_NE(Tex_LoadFromFile((folder + name).c_str(), -1, 1), 0u) << name << ": expected a picture once memory is back";
  }
}

}  // namespace
