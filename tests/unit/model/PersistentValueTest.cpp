// Loading and saving single values and arrays against a settings store with registry semantics.
#include "model/PersistentArray.h"
#include "model/PersistentValue.h"
#include "model/SettingsStore.h"
#include "platform/LastError.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "MemorySettingsStore.h"
#include "RecordingTarget.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kMessage = 0x807B;

// The application key over a shared in-memory store, so a test can look at the store afterwards.
struct Store {
    Store() : memory(new MemorySettingsStore), app(std::unique_ptr<ISettingsStore>(memory)) {}
    MemorySettingsStore* memory; // owned by app
    CAppInfoBase app;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

std::vector<uint8_t> Utf16(const std::wstring& text, bool terminate = true)
{
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    if (terminate) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

struct DwordCase {
    const char* name;
    bool present;
    uint32_t type;
    std::vector<uint8_t> data;
    uint32_t expectedResult;
    int expectedValue;
};
void PrintTo(const DwordCase& c, std::ostream* os) { *os << c.name; }

class DwordLoadTest : public ::testing::TestWithParam<DwordCase> {};

TEST_P(DwordLoadTest, LoadsWithAFourByteBufferWhateverTheType)
{
    const DwordCase& c = GetParam();
    Store store;
    if (c.present)
        store.memory->PutRaw(L"Trace", c.type, c.data);
    CPersistentValue<int> trace(kMessage, L"Trace", 0);
    RecordingTarget observer;
    trace.Advise(&observer);
    observer.messages.clear();

    EXPECT_EQ(trace.Load(store.app), c.expectedResult);
    EXPECT_EQ(trace.Get(), c.expectedValue);
    EXPECT_TRUE(observer.messages.empty()) << "loading never notifies";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DwordLoadTest,
    ::testing::Values(
        DwordCase{"Absent", false, 0, {}, ERROR_CODE_FILE_NOT_FOUND, 0},
        DwordCase{"Dword", true, SETTINGS_TYPE_DWORD, Bytes({1, 0, 0, 0}), 0, 1},
        DwordCase{"NegativeInt", true, SETTINGS_TYPE_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), 0, -1},
        DwordCase{"BinaryOfFourBytesIsTakenAsIs", true, SETTINGS_TYPE_BINARY, Bytes({2, 1, 0, 0}), 0, 0x102},
        DwordCase{"FourByteTextIsReadAsANumber", true, SETTINGS_TYPE_SZ, Utf16(L"1"), 0, 0x31},
        DwordCase{"LongTextFailsAndLeavesZero", true, SETTINGS_TYPE_SZ, Utf16(L"12345"), ERROR_CODE_MORE_DATA, 0},
        DwordCase{"ShortDataIsInvalid", true, SETTINGS_TYPE_DWORD, Bytes({7, 0}), ERROR_CODE_INVALID_DATA, 0},
        DwordCase{"EightBytesDoNotFit", true, 11, Bytes({1, 0, 0, 0, 0, 0, 0, 0}), ERROR_CODE_MORE_DATA, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PersistentValueTest, FailedLoadFallsBackToTheLastGoodValue)
{
    Store store;
    store.memory->PutDword(L"Trace", 1);
    CPersistentValue<int> trace(kMessage, L"Trace", 0);
    ASSERT_EQ(trace.Load(store.app), 0u);
    trace.Set(0);
    store.memory->PutText(L"Trace", L"not a number");
    EXPECT_EQ(trace.Load(store.app), ERROR_CODE_MORE_DATA);
    EXPECT_EQ(trace.Get(), 1) << "set back to the saved copy, which holds what was read last";
}

struct BoundedCase {
    const char* name;
    bool present;
    uint32_t stored;
    uint32_t loaded;
    bool rewritten;
};
void PrintTo(const BoundedCase& c, std::ostream* os) { *os << c.name; }

class BoundedLoadTest : public ::testing::TestWithParam<BoundedCase> {};

TEST_P(BoundedLoadTest, ClampsOnLoadAndRewritesTheClampedValue)
{
    const BoundedCase& c = GetParam();
    Store store;
    if (c.present)
        store.memory->PutDword(L"FirmwareLoadRetryLimit", c.stored);
    CPersistentBoundedValue<uint32_t> limit(0x8070, L"FirmwareLoadRetryLimit", 10, 5, 25);
    limit.Load(store.app);
    EXPECT_EQ(limit.Get(), c.loaded);

    EXPECT_EQ(limit.Save(store.app), 0u);
    if (c.rewritten) {
        ASSERT_EQ(store.memory->Root()->writes, std::vector<std::wstring>{L"FirmwareLoadRetryLimit"});
        const auto* value = store.memory->Find(L"FirmwareLoadRetryLimit");
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, SETTINGS_TYPE_DWORD);
        EXPECT_EQ(value->data, Bytes({static_cast<int>(c.loaded), 0, 0, 0}));
    } else {
        EXPECT_TRUE(store.memory->Root()->writes.empty());
    }
    // Saved once, the clamped value stays as it is.
    store.memory->Root()->writes.clear();
    limit.Save(store.app);
    EXPECT_TRUE(store.memory->Root()->writes.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, BoundedLoadTest,
                         ::testing::Values(BoundedCase{"Zero", true, 0, 5, true},
                                           BoundedCase{"Hundred", true, 100, 25, true},
                                           BoundedCase{"Absent", false, 0, 10, false},
                                           BoundedCase{"LowerBound", true, 5, 5, false},
                                           BoundedCase{"UpperBound", true, 25, 25, false},
                                           BoundedCase{"Huge", true, 0xFFFFFFFFu, 25, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TextCase {
    const char* name;
    uint32_t type;
    std::vector<uint8_t> data;
    uint32_t expectedResult;
    std::wstring expectedValue; // the fallback "old" when the load fails
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class TextLoadTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextLoadTest, AcceptsOnlyWellFormedTexts)
{
    const TextCase& c = GetParam();
    Store store;
    store.memory->PutText(L"Port", L"old");
    CPersistentValue<std::wstring> port(0x8077, L"Port");
    ASSERT_EQ(port.Load(store.app), 0u);
    store.memory->PutRaw(L"Port", c.type, c.data);
    EXPECT_EQ(port.Load(store.app), c.expectedResult);
    EXPECT_EQ(port.Get(), c.expectedValue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLoadTest,
    ::testing::Values(
        TextCase{"Text", SETTINGS_TYPE_SZ, Utf16(L"COM3"), 0, L"COM3"},
        TextCase{"ExpandableTextIsNotExpanded", SETTINGS_TYPE_EXPAND_SZ, Utf16(L"%TEMP%\\x"), 0, L"%TEMP%\\x"},
        TextCase{"NoDataIsEmpty", SETTINGS_TYPE_SZ, {}, 0, L""},
        TextCase{"OnlyTheTerminator", SETTINGS_TYPE_SZ, Utf16(L""), 0, L""},
        TextCase{"StopsAtAnInnerZero", SETTINGS_TYPE_SZ, Utf16(std::wstring(L"ab\0cd", 5)), 0, L"ab"},
        TextCase{"NonAscii", SETTINGS_TYPE_SZ, Bytes({0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}), 0,
                 std::wstring(L"\u00e9") + (sizeof(wchar_t) == 4 ? std::wstring(1, static_cast<wchar_t>(0x1F600))
                                                                  : std::wstring(L"\xD83D\xDE00"))},
        TextCase{"DwordType", SETTINGS_TYPE_DWORD, Bytes({1, 0, 0, 0}), ERROR_CODE_INVALID_DATA, L"old"},
        TextCase{"BinaryType", SETTINGS_TYPE_BINARY, Utf16(L"COM3"), ERROR_CODE_INVALID_DATA, L"old"},
        TextCase{"MultiTextType", SETTINGS_TYPE_MULTI_SZ, Utf16(L"COM3"), ERROR_CODE_INVALID_DATA, L"old"},
        TextCase{"OddByteCount", SETTINGS_TYPE_SZ, Bytes({'C', 0, 'O', 0, 0}), ERROR_CODE_INVALID_DATA, L"old"},
        TextCase{"MissingTerminator", SETTINGS_TYPE_SZ, Utf16(L"COM3", false), ERROR_CODE_INVALID_DATA, L"old"},
        TextCase{"LongText", SETTINGS_TYPE_SZ, Utf16(std::wstring(5000, L'x')), 0, std::wstring(5000, L'x')}),
    [](const auto& info) { return std::string(info.param.name); });

// Counts the room offered by each query, to see the buffer grow.
class CountingStore : public MemorySettingsStore {
public:
    uint32_t QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size) override
    {
        requests.push_back(size);
        return MemorySettingsStore::QueryValue(name, type, data, size);
    }
    std::vector<uint32_t> requests;
};

TEST(PersistentValueTest, TextBufferStartsAt260CharactersAndDoubles)
{
    auto* counting = new CountingStore;
    CAppInfoBase app{std::unique_ptr<ISettingsStore>(counting)};
    counting->PutText(L"FirmwareFolder", std::wstring(1000, L'f'));
    CPersistentValue<std::wstring> folder(0x806F, L"FirmwareFolder");
    EXPECT_EQ(folder.Load(app), 0u);
    EXPECT_EQ(folder.Get(), std::wstring(1000, L'f'));
    EXPECT_EQ(counting->requests, (std::vector<uint32_t>{520, 1040, 2080}));
}

TEST(PersistentValueTest, TextTooLargeForTwoMebibytesGivesMoreData)
{
    auto* counting = new CountingStore;
    CAppInfoBase app{std::unique_ptr<ISettingsStore>(counting)};
    counting->PutRaw(L"FirmwareFolder", SETTINGS_TYPE_SZ, std::vector<uint8_t>(2u * 1024 * 1024 + 100 * 1024, 'a'));
    CPersistentValue<std::wstring> folder(0x806F, L"FirmwareFolder");
    EXPECT_EQ(folder.Load(app), ERROR_CODE_MORE_DATA);
    EXPECT_EQ(folder.Get(), L"");
    ASSERT_FALSE(counting->requests.empty());
    EXPECT_GE(counting->requests.back(), 2u * 1024 * 1024) << "the last request was 2 MiB or more";
    EXPECT_LT(counting->requests[counting->requests.size() - 2], 2u * 1024 * 1024);
}

TEST(PersistentValueTest, SaveWritesOnlyChangedValuesInTheirTypes)
{
    Store store;
    CPersistentValue<int> trace(kMessage, L"Trace", 0);
    CPersistentValue<std::wstring> port(0x8077, L"Port");
    EXPECT_EQ(trace.Save(store.app), 0u);
    EXPECT_EQ(port.Save(store.app), 0u);
    EXPECT_TRUE(store.memory->Root()->writes.empty()) << "defaults are never written";

    trace.Set(-2);
    port.Set(L"COM3");
    EXPECT_EQ(trace.Save(store.app), 0u);
    EXPECT_EQ(port.Save(store.app), 0u);
    const auto* traceValue = store.memory->Find(L"Trace");
    const auto* portValue = store.memory->Find(L"Port");
    ASSERT_NE(traceValue, nullptr);
    ASSERT_NE(portValue, nullptr);
    EXPECT_EQ(traceValue->type, SETTINGS_TYPE_DWORD);
    EXPECT_EQ(traceValue->data, Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(portValue->type, SETTINGS_TYPE_SZ);
    EXPECT_EQ(portValue->data, Utf16(L"COM3")) << "the terminating zero is counted";

    store.memory->Root()->writes.clear();
    port.Set(L"com3"); // texts compare case-sensitively
    trace.Set(-2);
    port.Save(store.app);
    trace.Save(store.app);
    EXPECT_EQ(store.memory->Root()->writes, std::vector<std::wstring>{L"Port"});
}

TEST(PersistentValueTest, FailedSaveKeepsTheSavedCopySoTheNextSaveRetries)
{
    Store store;
    CPersistentValue<uint32_t> flags(0x8072, L"LoaderFlags", 0);
    flags.Set(9);
    store.memory->Root()->failSet[L"LoaderFlags"] = ERROR_CODE_ACCESS_DENIED;
    EXPECT_EQ(flags.Save(store.app), ERROR_CODE_ACCESS_DENIED);
    EXPECT_EQ(flags.SavedCopy(), 0u);
    store.memory->Root()->failSet.clear();
    EXPECT_EQ(flags.Save(store.app), 0u);
    EXPECT_EQ(flags.SavedCopy(), 9u);
    EXPECT_EQ(store.memory->Root()->writes, std::vector<std::wstring>{L"LoaderFlags"});
}

TEST(PersistentValueTest, WithoutAKeyLoadAndSaveFailQuietly)
{
    CAppInfoBase app{nullptr};
    CPersistentValue<int> trace(kMessage, L"Trace", 0);
    CPersistentArray<std::wstring, 16> captions(0x8068, L"CommandCaption%u");
    EXPECT_EQ(trace.Load(app), ERROR_CODE_INVALID_HANDLE);
    trace.Set(1);
    EXPECT_EQ(trace.Save(app), ERROR_CODE_INVALID_HANDLE);
    EXPECT_EQ(captions.Load(app), ERROR_CODE_INVALID_HANDLE);
    EXPECT_EQ(trace.Get(), 1);
}

TEST(PersistentValueTest, EmptyNameIsNeitherLoadedNorSaved)
{
    Store store;
    store.memory->PutDword(L"", 4);
    CPersistentValue<int> unnamed(kMessage, L"", 0);
    EXPECT_EQ(unnamed.Load(store.app), 0u);
    EXPECT_EQ(unnamed.Get(), 0);
    unnamed.Set(3);
    EXPECT_EQ(unnamed.Save(store.app), 0u);
    EXPECT_TRUE(store.memory->Root()->writes.empty());
}

TEST(PersistentArrayTest, EntriesUseNumberedNamesFromOne)
{
    Store store;
    store.memory->PutText(L"CommandCaption1", L"Poll");
    store.memory->PutText(L"CommandCaption16", L"Last");
    store.memory->PutRaw(L"CommandCaption8", SETTINGS_TYPE_DWORD, Bytes({1, 0, 0, 0}));
    CPersistentArray<std::wstring, 16> captions(0x8068, L"CommandCaption%u", 1);
    EXPECT_EQ(captions.EntryName(0), L"CommandCaption1");
    EXPECT_EQ(captions.EntryName(15), L"CommandCaption16");

    EXPECT_EQ(captions.Load(store.app), 0u) << "the result is the last entry's";
    EXPECT_EQ(captions.Get(0), L"Poll");
    EXPECT_EQ(captions.Get(7), L"") << "a bad entry keeps its default";
    EXPECT_EQ(captions.Get(15), L"Last");

    store.memory->Root()->values.clear();
    store.memory->PutText(L"CommandCaption1", L"Poll");
    CPersistentArray<std::wstring, 16> second(0x8068, L"CommandCaption%u", 1);
    EXPECT_EQ(second.Load(store.app), ERROR_CODE_FILE_NOT_FOUND) << "entry 16 is absent";
}

TEST(PersistentArrayTest, SaveWritesEachChangedEntryUnderItsOwnName)
{
    Store store;
    store.memory->PutText(L"CommandText3", L"V");
    CPersistentArray<std::wstring, 16> texts(0x8069, L"CommandText%u", 1);
    texts.Load(store.app);
    EXPECT_EQ(texts.Save(store.app), 0u);
    EXPECT_TRUE(store.memory->Root()->writes.empty());

    texts.Set(2, L"V"); // unchanged
    texts.Set(4, L";");
    texts.Set(9, L"D");
    store.memory->Root()->failSet[L"CommandText10"] = ERROR_CODE_ACCESS_DENIED;
    EXPECT_EQ(texts.Save(store.app), ERROR_CODE_ACCESS_DENIED) << "the last write made fails";
    EXPECT_EQ(store.memory->Root()->writes, std::vector<std::wstring>{L"CommandText5"});

    store.memory->Root()->failSet.clear();
    store.memory->Root()->writes.clear();
    EXPECT_EQ(texts.Save(store.app), 0u);
    EXPECT_EQ(store.memory->Root()->writes, std::vector<std::wstring>{L"CommandText10"}) << "only the failed one again";
}

} // namespace
