#include "base/com_object.h"

#include <gtest/gtest.h>
#include <objidl.h>

#include <stdexcept>

#include "base/com_ptr.h"
#include "base/exception_barrier.h"

namespace base {
namespace {

// A COM object over two platform interfaces that counts how many of its kind are alive.
class Probe final : public ComObject<ISequentialStream, IPersist> {
 public:
  Probe() { ++alive; }
  ~Probe() override { --alive; }

  STDMETHODIMP Read(void*, ULONG, ULONG*) noexcept override { return S_OK; }
  STDMETHODIMP Write(const void*, ULONG, ULONG*) noexcept override { return S_OK; }
  STDMETHODIMP GetClassID(CLSID* id) noexcept override {
    return CatchAll([&] {
      if (id == nullptr)
        throw std::runtime_error("no id");
      *id = CLSID_NULL;
      return S_OK;
    });
  }

  static inline int alive = 0;
};

TEST(ComObjectTest, AnswersItsInterfacesAndDiesWithTheLastReference) {
  {
    ComPtr<ISequentialStream> stream(new Probe);
    ASSERT_EQ(1, Probe::alive);
    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, stream.QueryInterface(IID_IPersist, persist));
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, stream.QueryInterface(IID_IUnknown, unknown));
    EXPECT_EQ(static_cast<IUnknown*>(stream.Get()), unknown.Get())
        << "IUnknown is the first interface, whichever interface is asked";
    ComPtr<IStream> notImplemented;
    EXPECT_EQ(E_NOINTERFACE, stream.QueryInterface(IID_IStream, notImplemented));
    EXPECT_FALSE(notImplemented);
    EXPECT_EQ(E_POINTER, stream->QueryInterface(IID_IPersist, nullptr));

    stream.Reset();
    unknown.Reset();
    EXPECT_EQ(1, Probe::alive) << "persist still holds it";
  }
  EXPECT_EQ(0, Probe::alive);
}

TEST(ComPtrTest, CopiesShareMovesPassAndDetachHandsOver) {
  ComPtr<IPersist> first(new Probe);
  ComPtr<IPersist> copy = first;
  ComPtr<IPersist> moved = std::move(first);
  EXPECT_FALSE(first);
  EXPECT_EQ(copy.Get(), moved.Get());
  copy = copy;  // self-assignment keeps the reference
  moved.Reset();
  EXPECT_EQ(1, Probe::alive);

  IPersist* raw = nullptr;
  EXPECT_EQ(S_OK, copy.CopyTo(&raw));
  copy.Reset();
  EXPECT_EQ(1, Probe::alive) << "the out parameter holds a reference";
  ComPtr<IPersist> adopted;
  adopted.Attach(raw);
  IPersist* handed = adopted.Detach();
  EXPECT_FALSE(adopted);
  EXPECT_EQ(0u, handed->Release());
  EXPECT_EQ(0, Probe::alive);
}

TEST(ExceptionBarrierTest, NoExceptionLeavesTheBarrier) {
  ComPtr<IPersist> probe(new Probe);
  EXPECT_EQ(E_FAIL, probe->GetClassID(nullptr));
  EXPECT_EQ(E_OUTOFMEMORY, CatchAll([]() -> HRESULT { throw std::bad_alloc(); }));
  EXPECT_EQ(0u, CatchAllOr<size_t>(0, []() -> size_t { throw 1; }));
  EXPECT_EQ(7u, CatchAllOr<size_t>(0, [] { return size_t{7}; }));
}

}  // namespace
}  // namespace base
