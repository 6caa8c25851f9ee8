// A scripted stand-in for the KIVO player inside the test process: one
// automation object serving the four interfaces, which records every call
// with its arguments and answers from a script, a class factory for it, and
// a main window of class "TFormKIVO" that records the messages it gets.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hostlink/Kivo_tlb.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/win/Messages.h"

namespace kivo_test {

using namespace Kivo_tlb;

// One operation as it reached the player: its name, its integer arguments
// in order and the texts of its BSTR arguments in order.
struct TCall {
  std::string Operation;
  std::vector<std::int64_t> Args;
  std::vector<std::string> Texts;
};

// The values a text query of the player answers with.
struct TTextAnswer {
  LONG Number = 0;
  std::string Text;
  LONG Code = 0;
  VARIANT_BOOL Flag1 = VARIANT_FALSE;
  VARIANT_BOOL Flag2 = VARIANT_FALSE;
  std::string FontName;
  LONG Charset = 0;
  LONG Size = 0;
  LONG Style = 0;
  LONG Color = 0;
  LONG Value = 0;
};

struct TTrackAnswer {
  std::array<std::string, 5> Texts;
  std::array<LONG, 7> Numbers{};
};

class TFakePlayer final : public IKIVOControl,
                          public IKIVOPlayList,
                          public IKIVOLyrics,
                          public IKIVOMenu {
 public:
  static inline int Live = 0;

  static TComPtr<TFakePlayer> Create() { return TComPtr<TFakePlayer>::Adopt(new TFakePlayer); }

  // ---- the script ----
  // Values that reads answer with, by property name ("Left", "Version", ...).
  std::map<std::string, LONG> Longs{{"Version", 6100}, {"Handle", 0}};
  std::map<std::string, VARIANT_BOOL> Bools;
  std::map<std::string, std::string> Texts;
  // Operations that fail, by operation name, with their result.
  std::map<std::string, HRESULT> Failures;
  HRESULT VersionTestResult = S_OK;
  LONG AttachState = 1;
  bool WritesOutValuesOnFailure = false;
  std::array<LONG, 2> Volumes{};
  std::array<LONG, 10> Spectrum{};
  std::map<LONG, LONG> Colors;
  TTextAnswer DisplayText;
  std::map<LONG, TTextAnswer> Lines;
  std::map<LONG, TTextAnswer> Fonts;
  std::map<LONG, TTrackAnswer> Tracks;
  LONG EventMaskAnswer = 0;
  // Interfaces the object refuses to hand out.
  std::vector<IID> Refused;
  // Runs inside the named operation, before it answers.
  std::map<std::string, std::function<void()>> During;

  // ---- what reached the player ----
  std::vector<TCall> Calls;

  std::vector<TCall> CallsOf(const std::string& Operation) const {
    std::vector<TCall> found;
    for (const TCall& call : Calls)
      if (call.Operation == Operation) found.push_back(call);
    return found;
  }
  std::vector<std::string> Operations() const {
    std::vector<std::string> names;
    for (const TCall& call : Calls) names.push_back(call.Operation);
    return names;
  }
  ULONG References() const { return FReferences; }

  // ---- IUnknown ----
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    for (const IID& refused : Refused)
      if (riid == refused) return E_NOINTERFACE;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKIVOControl)
      *object = static_cast<IKIVOControl*>(this);
    else if (riid == IID_IKIVOPlayList)
      *object = static_cast<IKIVOPlayList*>(this);
    else if (riid == IID_IKIVOLyrics)
      *object = static_cast<IKIVOLyrics*>(this);
    else if (riid == IID_IKIVOMenu)
      *object = static_cast<IKIVOMenu*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++FReferences; }
  ULONG Release() override {
    const ULONG remaining = --FReferences;
    if (remaining == 0) delete this;
    return remaining;
  }

  // ---- IDispatch: never used by the host link ----
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // ---- IKIVOControl ----
#define KIVO_FAKE_LONG_READ(Name) \
  HRESULT get_##Name(LONG* Value) override { return ReadLong("get_" #Name, #Name, Value); }
#define KIVO_FAKE_LONG_WRITE(Name) \
  HRESULT set_##Name(LONG Value) override { return Record("set_" #Name, {Value}); }
#define KIVO_FAKE_LONG(Name) KIVO_FAKE_LONG_READ(Name) KIVO_FAKE_LONG_WRITE(Name)
#define KIVO_FAKE_BOOL_READ(Name) \
  HRESULT get_##Name(VARIANT_BOOL* Value) override { return ReadBool("get_" #Name, #Name, Value); }
#define KIVO_FAKE_BOOL(Name) \
  KIVO_FAKE_BOOL_READ(Name)  \
  HRESULT set_##Name(VARIANT_BOOL Value) override { return Record("set_" #Name, {Value}); }
#define KIVO_FAKE_TEXT_READ(Name) \
  HRESULT get_##Name(BSTR* Value) override { return ReadText("get_" #Name, #Name, Value); }
#define KIVO_FAKE_TEXT(Name) \
  KIVO_FAKE_TEXT_READ(Name)  \
  HRESULT set_##Name(BSTR Value) override { return Record("set_" #Name, {}, {Value}); }
#define KIVO_FAKE_COMMAND(Name) \
  HRESULT Name() override { return Record(#Name, {}); }

  KIVO_FAKE_LONG_READ(Version)
  HRESULT CheckVersion(LONG Version) override {
    const HRESULT failure = Record("CheckVersion", {Version});
    return FAILED(failure) ? failure : VersionTestResult;
  }
  KIVO_FAKE_LONG_READ(Handle)
  KIVO_FAKE_LONG(Visible)
  KIVO_FAKE_LONG(Left)
  KIVO_FAKE_LONG(Top)
  KIVO_FAKE_LONG_READ(Width)
  KIVO_FAKE_LONG_READ(Height)
  KIVO_FAKE_LONG_READ(PlayStatus)
  KIVO_FAKE_LONG(Track)
  KIVO_FAKE_LONG(Position)
  KIVO_FAKE_LONG_READ(Length)
  KIVO_FAKE_LONG(Volume)
  KIVO_FAKE_LONG(Counter)
  KIVO_FAKE_BOOL(Repeat)
  KIVO_FAKE_BOOL(Random)
  KIVO_FAKE_BOOL(RemainTime)
  KIVO_FAKE_TEXT(Design)
  KIVO_FAKE_TEXT(Skin)
  HRESULT get_DisplayMode(TKIVODisplayMode* Mode) override {
    LONG value = 0;
    const HRESULT result = ReadLong("get_DisplayMode", "DisplayMode", &value);
    *Mode = static_cast<TKIVODisplayMode>(value);
    return result;
  }
  HRESULT set_DisplayMode(TKIVODisplayMode Mode) override {
    return Record("set_DisplayMode", {Mode});
  }
  KIVO_FAKE_BOOL(OnTimer)
  KIVO_FAKE_LONG(OnTime)
  KIVO_FAKE_BOOL(OffTimer)
  KIVO_FAKE_LONG(OffTime)
  KIVO_FAKE_BOOL(ShutDownRecord)
  KIVO_FAKE_LONG(RecLevel)
  HRESULT Attach(LONG Instance, LONG ProcessId, LONG Window, LONG* State, LONG* Reserved) override {
    *State = AttachState;
    *Reserved = 0;
    return Record("Attach", {Instance, ProcessId, Window});
  }
  HRESULT Detach(LONG Window) override { return Record("Detach", {Window}); }
  HRESULT Abort(LONG Window) override { return Record("Abort", {Window}); }
  KIVO_FAKE_COMMAND(Close)
  KIVO_FAKE_COMMAND(ShutDown)
  HRESULT GetEvent(LONG Window, LONG* Mask) override {
    *Mask = EventMaskAnswer;
    return Record("GetEvent", {Window});
  }
  HRESULT SetEvent(LONG Window, LONG Mask) override {
    return Record("SetEvent", {Window, static_cast<DWORD>(Mask)});
  }
  HRESULT NotifyEvent(LONG Window, LONG WParam, LONG LParam) override {
    return Record("NotifyEvent", {Window, static_cast<DWORD>(WParam), LParam});
  }
  KIVO_FAKE_COMMAND(Stop)
  KIVO_FAKE_COMMAND(Pause)
  KIVO_FAKE_COMMAND(Play)
  HRESULT FF(LONG Flag) override { return Record("FF", {Flag}); }
  HRESULT Rewind(LONG Flag) override { return Record("Rewind", {Flag}); }
  KIVO_FAKE_COMMAND(Next)
  KIVO_FAKE_COMMAND(Back)
  KIVO_FAKE_COMMAND(Eject)
  HRESULT Seek(LONG Value1, LONG Value2) override { return Record("Seek", {Value1, Value2}); }
  KIVO_FAKE_COMMAND(ShowPlayList)
  KIVO_FAKE_COMMAND(ShowProperty)
  KIVO_FAKE_COMMAND(ShowMenu)
  KIVO_FAKE_COMMAND(ShowToolMenu)
  HRESULT Click(LONG Value) override { return Record("Click", {Value}); }
  HRESULT KeyDown(LONG Key, LONG Shift) override { return Record("KeyDown", {Key, Shift}); }
  HRESULT GetText(BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1, VARIANT_BOOL* Flag2, BSTR* FontName,
                  LONG* Charset, LONG* Size, LONG* Style, LONG* Color, LONG* Value) override {
    const HRESULT result = Record("GetText", {});
    if (!Answers(result)) return result;
    const TTextAnswer& a = DisplayText;
    *Text = StringToBstr(a.Text).Detach();
    *Code = a.Code;
    *Flag1 = a.Flag1;
    *Flag2 = a.Flag2;
    *FontName = StringToBstr(a.FontName).Detach();
    *Charset = a.Charset;
    *Size = a.Size;
    *Style = a.Style;
    *Color = a.Color;
    *Value = a.Value;
    return result;
  }
  HRESULT GetVolumes(LONG* Left, LONG* Right) override {
    const HRESULT result = Record("GetVolumes", {});
    if (!Answers(result)) return result;
    *Left = Volumes[0];
    *Right = Volumes[1];
    return result;
  }
  HRESULT GetSpeana(LONG* L0, LONG* L1, LONG* L2, LONG* L3, LONG* L4, LONG* L5, LONG* L6, LONG* L7,
                    LONG* L8, LONG* L9) override {
    const HRESULT result = Record("GetSpeana", {});
    if (!Answers(result)) return result;
    LONG* out[10] = {L0, L1, L2, L3, L4, L5, L6, L7, L8, L9};
    for (int i = 0; i < 10; ++i) *out[i] = Spectrum[static_cast<std::size_t>(i)];
    return result;
  }
  KIVO_FAKE_COMMAND(SaveKIVOini)
  KIVO_FAKE_COMMAND(Refresh)
  HRESULT GetColor(LONG Index, LONG* Color) override {
    const HRESULT result = Record("GetColor", {Index});
    if (Answers(result)) *Color = Colors[Index];
    return result;
  }
  HRESULT GetFont(LONG Index, BSTR* Name, LONG* Charset, LONG* Size, LONG* Style,
                  LONG* Color) override {
    const HRESULT result = Record("GetFont", {Index});
    if (!Answers(result)) return result;
    const TTextAnswer& a = Fonts[Index];
    *Name = StringToBstr(a.FontName).Detach();
    *Charset = a.Charset;
    *Size = a.Size;
    *Style = a.Style;
    *Color = a.Color;
    return result;
  }
  HRESULT GetFormImage(BSTR FileName) override { return Record("GetFormImage", {}, {FileName}); }
  KIVO_FAKE_LONG(Rate)
  KIVO_FAKE_LONG(AdjustVolLevel)
  KIVO_FAKE_LONG(AdjustSpeanaLevel)

  // ---- IKIVOPlayList ----
  KIVO_FAKE_BOOL_READ(Edited)
  KIVO_FAKE_LONG_READ(Tracks)
  KIVO_FAKE_TEXT(PlayListTitle)
  KIVO_FAKE_TEXT(PlayListDesign)
  KIVO_FAKE_LONG(FirstTrack)
  KIVO_FAKE_LONG(LastTrack)
  KIVO_FAKE_TEXT_READ(PlayListName)
  KIVO_FAKE_LONG(RepeatFrom)
  KIVO_FAKE_LONG(RepeatTo)
  KIVO_FAKE_LONG(SelectedTrack)
  KIVO_FAKE_BOOL(PlayListVisible)
  KIVO_FAKE_COMMAND(New)
  HRESULT Delete(LONG Index) override { return Record("Delete", {Index}); }
  HRESULT Add(BSTR FileName) override { return Record("Add", {}, {FileName}); }
  HRESULT Load(BSTR FileName) override { return Record("Load", {}, {FileName}); }
  HRESULT Save(BSTR FileName) override { return Record("Save", {}, {FileName}); }
  HRESULT GetTrackInfo(LONG Index, BSTR* Text1, BSTR* Text2, BSTR* Path, BSTR* Text4, BSTR* Text5,
                       LONG* Number1, LONG* Number2, LONG* Number3, LONG* Kind, LONG* DriveTrack,
                       LONG* Number7, LONG* Number8) override {
    const HRESULT result = Record("GetTrackInfo", {Index});
    if (!Answers(result)) return result;
    const TTrackAnswer& a = Tracks[Index];
    BSTR* texts[5] = {Text1, Text2, Path, Text4, Text5};
    for (std::size_t i = 0; i < 5; ++i) *texts[i] = StringToBstr(a.Texts[i]).Detach();
    LONG* numbers[7] = {Number1, Number2, Number3, Kind, DriveTrack, Number7, Number8};
    for (std::size_t i = 0; i < 7; ++i) *numbers[i] = a.Numbers[i];
    return result;
  }
  HRESULT SetTrackInfo(LONG Index, BSTR Text1, BSTR Text2, BSTR Path, BSTR Text4, BSTR Text5,
                       LONG Number1, LONG Number2, LONG Number3, LONG Kind, LONG DriveTrack,
                       LONG Number7, LONG Number8) override {
    return Record(
        "SetTrackInfo",
        {Index, Number1, Number2, Number3, Kind, static_cast<DWORD>(DriveTrack), Number7, Number8},
        {Text1, Text2, Path, Text4, Text5});
  }

  // ---- IKIVOLyrics ----
  KIVO_FAKE_LONG_READ(Line)
  KIVO_FAKE_LONG_READ(Lines)
  KIVO_FAKE_BOOL_READ(VisibleLyrics)
  KIVO_FAKE_BOOL_READ(ShowAccelChar)
  KIVO_FAKE_LONG_READ(Adjust)
  KIVO_FAKE_TEXT_READ(LyricsTitle)
  KIVO_FAKE_TEXT_READ(LyricsArtist)
  KIVO_FAKE_TEXT_READ(Lyrics)
  KIVO_FAKE_TEXT_READ(Music)
  KIVO_FAKE_TEXT_READ(Presenter)
  KIVO_FAKE_TEXT_READ(Comment)
  KIVO_FAKE_LONG_READ(LyricsWidth)
  KIVO_FAKE_LONG_READ(LyricsHeight)
  KIVO_FAKE_TEXT_READ(LyricsName)
  HRESULT GetLine(LONG Index, LONG* Number, BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1,
                  BSTR* FontName, LONG* Charset, LONG* Size, LONG* Style, LONG* Color,
                  LONG* Value) override {
    const HRESULT result = Record("GetLine", {Index});
    if (!Answers(result)) return result;
    const TTextAnswer& a = Lines[Index];
    *Number = a.Number;
    *Text = StringToBstr(a.Text).Detach();
    *Code = a.Code;
    *Flag1 = a.Flag1;
    *FontName = StringToBstr(a.FontName).Detach();
    *Charset = a.Charset;
    *Size = a.Size;
    *Style = a.Style;
    *Color = a.Color;
    *Value = a.Value;
    return result;
  }

#undef KIVO_FAKE_LONG_READ
#undef KIVO_FAKE_LONG_WRITE
#undef KIVO_FAKE_LONG
#undef KIVO_FAKE_BOOL
#undef KIVO_FAKE_BOOL_READ
#undef KIVO_FAKE_TEXT_READ
#undef KIVO_FAKE_TEXT
#undef KIVO_FAKE_COMMAND

 private:
  TFakePlayer() { ++Live; }
  ~TFakePlayer() { --Live; }

  HRESULT Record(const std::string& Operation, std::vector<std::int64_t> Args,
                 std::vector<BSTR> Strings = {}) {
    TCall call{Operation, std::move(Args), {}};
    for (BSTR text : Strings) call.Texts.push_back(BstrToString(text));
    Calls.push_back(std::move(call));
    if (const auto during = During.find(Operation); during != During.end()) during->second();
    const auto failure = Failures.find(Operation);
    return failure == Failures.end() ? S_OK : failure->second;
  }
  bool Answers(HRESULT Result) const { return SUCCEEDED(Result) || WritesOutValuesOnFailure; }

  // A failing read writes a value of its own only when scripted to, so that
  // tests see what the component makes of an unwritten out-value.
  HRESULT ReadLong(const std::string& Operation, const std::string& Name, LONG* Value) {
    const HRESULT result = Record(Operation, {});
    if (Answers(result)) *Value = FAILED(result) ? 4321 : Longs[Name];
    return result;
  }
  HRESULT ReadBool(const std::string& Operation, const std::string& Name, VARIANT_BOOL* Value) {
    const HRESULT result = Record(Operation, {});
    if (Answers(result)) *Value = FAILED(result) ? VARIANT_TRUE : Bools[Name];
    return result;
  }
  HRESULT ReadText(const std::string& Operation, const std::string& Name, BSTR* Value) {
    const HRESULT result = Record(Operation, {});
    if (Answers(result)) *Value = StringToBstr(FAILED(result) ? "failed" : Texts[Name]).Detach();
    return result;
  }

  ULONG FReferences = 1;
};

// Hands out the player object, as the player's registered class does.
class TFakeFactory final : public IClassFactory {
 public:
  static inline int Live = 0;

  static TComPtr<IClassFactory> Create(TFakePlayer* Player) {
    return TComPtr<IClassFactory>::Adopt(new TFakeFactory(Player));
  }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++FReferences; }
  ULONG Release() override {
    const ULONG remaining = --FReferences;
    if (remaining == 0) delete this;
    return remaining;
  }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return static_cast<IKIVOControl*>(FPlayer.Get())->QueryInterface(riid, object);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  explicit TFakeFactory(TFakePlayer* Player) : FPlayer(Player) { ++Live; }
  ~TFakeFactory() { --Live; }

  TComPtr<TFakePlayer> FPlayer;
  ULONG FReferences = 1;
};

// A top-level window standing in for the player's main window: it records
// every message it receives and answers sends with Answer.
class TFakeMainWindow {
 public:
  struct TReceived {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
  };

  explicit TFakeMainWindow(const char* ClassName = "TFormKIVO")
      : Handle(
            CreateTopLevelWindow(ClassName, "KIVO", TWndMethod(this, &TFakeMainWindow::Receive))) {}
  ~TFakeMainWindow() { DestroyWindow(Handle); }
  TFakeMainWindow(const TFakeMainWindow&) = delete;
  TFakeMainWindow& operator=(const TFakeMainWindow&) = delete;

  LONG Value() const { return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(Handle)); }

  HWND Handle;
  std::vector<TReceived> Received;
  LRESULT Answer = 0;

 private:
  void Receive(TMessage& Message) {
    Received.push_back({Message.Msg, Message.WParam, Message.LParam});
    Message.Result = Answer;
  }
};

}  // namespace kivo_test
