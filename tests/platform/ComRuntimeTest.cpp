#include <gtest/gtest.h>

#include <thread>

#include "tests/platform/ComTestObjects.h"

namespace {

int LiveCounters() { return TCountedObject<ICounter>::Live; }
int LiveFactories() { return TCountedObject<IClassFactory>::Live; }

// Runs `body` on a thread of its own, which starts uninitialised.
template <class Body>
void OnNewThread(Body body) {
  std::thread thread(body);
  thread.join();
}

TEST(Guid, ReadsAndWritesTheRegistryForm) {
  constexpr GUID clsid = StringToGUID("{83329E85-0A15-11D3-95BA-004845C01785}");
  static_assert(clsid.Data1 == 0x83329E85 && clsid.Data2 == 0x0A15 && clsid.Data3 == 0x11D3);
  static_assert(clsid.Data4[0] == 0x95 && clsid.Data4[1] == 0xBA && clsid.Data4[7] == 0x85);
  EXPECT_EQ(GUIDToString(clsid), "{83329E85-0A15-11D3-95BA-004845C01785}");
  EXPECT_EQ(StringToGUID("{83329e85-0a15-11d3-95ba-004845c01785}"), clsid);
  EXPECT_NE(StringToGUID("{83329E84-0A15-11D3-95BA-004845C01785}"), clsid);
  EXPECT_EQ(GUIDToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
  EXPECT_EQ(GUIDToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_THROW(StringToGUID("{83329E85-0A15-11D3-95BA-004845C0178}"), std::invalid_argument);
  EXPECT_THROW(StringToGUID("{83329E85-0A15-11D3-95BA-004845C0178G}"), std::invalid_argument);
}

TEST(ReferenceCounts, ReturnToZeroAcrossQueryInterfaceAddRefAndRelease) {
  {
    TComPtr<ICounter> counter = TCounter::Create();
    EXPECT_EQ(LiveCounters(), 1);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->AddRef(), 3u);
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);

    void* none = &none;
    EXPECT_EQ(counter->QueryInterface(IID_IUnsupported, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr) << "a refused query clears the out-pointer";
    EXPECT_EQ(static_cast<TCounter*>(counter.Get())->References(), 1u) << "and takes no reference";
  }
  EXPECT_EQ(LiveCounters(), 0);
}

TEST(ReferenceCounts, HolderAddsForCopiesAndReleasesWhenDone) {
  {
    TComPtr<ICounter> first = TCounter::Create();
    auto* object = static_cast<TCounter*>(first.Get());
    TComPtr<ICounter> copy = first;
    EXPECT_EQ(object->References(), 2u);
    TComPtr<ICounter> moved = std::move(copy);
    EXPECT_EQ(object->References(), 2u) << "a move takes no reference";
    EXPECT_FALSE(copy);
    moved = first;
    EXPECT_EQ(object->References(), 2u) << "assigning the same object keeps the count";
    moved.Reset();
    EXPECT_EQ(object->References(), 1u);

    TComPtr<IUnknown> unknown;
    ASSERT_EQ(first.QueryInterface(IID_IUnknown, unknown), S_OK);
    EXPECT_EQ(object->References(), 2u);
    TComPtr<IUnknown> refused;
    EXPECT_EQ(first.QueryInterface(IID_IUnsupported, refused), E_NOINTERFACE);
    EXPECT_FALSE(refused);

    ICounter* raw = first.Detach();
    EXPECT_EQ(object->References(), 2u) << "detaching hands the reference over";
    TComPtr<ICounter> adopted = TComPtr<ICounter>::Adopt(raw);
    EXPECT_EQ(object->References(), 2u);
  }
  EXPECT_EQ(LiveCounters(), 0);
}

TEST(ReferenceCounts, OutPointerReleasesTheOldObjectAndReceivesTheNew) {
  TComPtr<ICounter> holder = TCounter::Create();
  TComPtr<ICounter> source = TCounter::Create();
  EXPECT_EQ(LiveCounters(), 2);
  ASSERT_EQ(source->QueryInterface(IID_ICounter, holder.PutVoid()), S_OK);
  EXPECT_EQ(LiveCounters(), 1) << "the object held before was released";
  EXPECT_EQ(holder, source);
  holder.Reset();
  source.Reset();
  EXPECT_EQ(LiveCounters(), 0);
}

class ComRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }

  void TearDown() override {
    for (const DWORD cookie : FCookies) CoRevokeClassObject(cookie);
    CoUninitialize();
    EXPECT_EQ(LiveCounters(), 0);
    EXPECT_EQ(LiveFactories(), 0);
  }

  DWORD Register(DWORD context = CLSCTX_LOCAL_SERVER, DWORD flags = REGCLS_MULTIPLEUSE) {
    const TComPtr<IClassFactory> factory = TCounterFactory::Create();
    DWORD cookie = 0;
    EXPECT_EQ(CoRegisterClassObject(CLSID_Counter, factory.Get(), context, flags, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    FCookies.push_back(cookie);
    return cookie;
  }

  std::vector<DWORD> FCookies;
};

TEST_F(ComRuntimeTest, CreatesAnObjectThroughTheRegisteredFactory) {
  Register();
  TComPtr<ICounter> counter;
  ASSERT_EQ(
      CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_ICounter, counter.PutVoid()),
      S_OK);
  LONG value = 0;
  counter->Increment(&value);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(static_cast<TCounter*>(counter.Get())->References(), 1u)
      << "the caller holds the only reference";
}

TEST_F(ComRuntimeTest, UnknownClassIsNotRegistered) {
  void* object = &object;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ComRuntimeTest, AnInterfaceTheObjectLacksIsRefusedWithoutLeaking) {
  Register();
  void* object = &object;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnsupported, &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(LiveCounters(), 0);
}

TEST_F(ComRuntimeTest, TheFactorysOwnRefusalPassesThrough) {
  Register();
  const TComPtr<ICounter> outer = TCounter::Create();
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, outer.Get(), CLSCTX_SERVER, IID_IUnknown, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, nullptr),
            E_POINTER);
}

TEST_F(ComRuntimeTest, RevokedClassIsNoLongerServedAndItsFactoryIsReleased) {
  const DWORD cookie = Register();
  EXPECT_EQ(LiveFactories(), 1) << "the registry keeps the factory alive";
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(LiveFactories(), 0);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  TComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, object.PutVoid()),
            REGDB_E_CLASSNOTREG);
}

TEST_F(ComRuntimeTest, OnlyTheRequestedContextsAreSearched) {
  Register(CLSCTX_LOCAL_SERVER);
  TComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             object.PutVoid()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(
      CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, object.PutVoid()),
      S_OK);
}

TEST_F(ComRuntimeTest, ASingleUseRegistrationServesOnce) {
  Register(CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE);
  TComPtr<IUnknown> first;
  TComPtr<IUnknown> second;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, first.PutVoid()),
            S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, second.PutVoid()),
            REGDB_E_CLASSNOTREG);
}

TEST_F(ComRuntimeTest, OneRegistryServesEveryThread) {
  Register();
  HRESULT onOtherThread = E_FAIL;
  OnNewThread([&] {
    CoInitialize(nullptr);
    TComPtr<ICounter> counter;
    onOtherThread =
        CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_ICounter, counter.PutVoid());
    counter.Reset();
    CoUninitialize();
  });
  EXPECT_EQ(onOtherThread, S_OK);
}

TEST(ComInitialization, IsCountedPerThread) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  HRESULT first = E_FAIL;
  HRESULT second = E_FAIL;
  OnNewThread([&] {
    first = CoInitialize(nullptr);
    second = CoInitialize(nullptr);
    CoUninitialize();
    CoUninitialize();
  });
  EXPECT_EQ(first, S_OK) << "another thread starts uninitialised";
  EXPECT_EQ(second, S_FALSE);

  CoUninitialize();
  TComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, object.PutVoid()),
            REGDB_E_CLASSNOTREG)
      << "still initialised after one of two";
  CoUninitialize();
  EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, object.PutVoid()),
            CO_E_NOTINITIALIZED);
  CoUninitialize();
  EXPECT_EQ(CoInitialize(nullptr), S_OK) << "an extra uninitialise is ignored";
  CoUninitialize();
}

TEST(ComInitialization, AnUninitialisedThreadCanNeitherCreateNorRegister) {
  OnNewThread([] {
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    const TComPtr<IClassFactory> factory = TCounterFactory::Create();
    DWORD cookie = 1;
    EXPECT_EQ(CoRegisterClassObject(CLSID_Counter, factory.Get(), CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(cookie, 0u);
  });
  EXPECT_EQ(LiveFactories(), 0);
}

TEST(ComInitialization, TheOtherModelIsRefusedAndNotCounted) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  CoUninitialize();
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK)
      << "the refused call needed no balance";
  CoUninitialize();
}

TEST(ComInitialization, TheLastUninitialiseRevokesTheThreadsClassObjects) {
  OnNewThread([] {
    CoInitialize(nullptr);
    const TComPtr<IClassFactory> factory = TCounterFactory::Create();
    DWORD cookie = 0;
    CoRegisterClassObject(CLSID_Counter, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie);
    CoUninitialize();
    EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  });
  EXPECT_EQ(LiveFactories(), 0);
}

}  // namespace
