// Loading, saving and closing the store on real files.
#include "store_fixture.h"
#include "file_layer.h"

#include <dirent.h>
#include <sys/stat.h>

static Text DefaultData() { return Text(DEFAULT_DATA, DEFAULT_DATA + DEFAULT_DATA_SIZE); }
static Text DefaultTable() { return Text(DEFAULT_TABLE, DEFAULT_TABLE + 8); }

// ---- Default pair ------------------------------------------------------------------------------
TEST(DefaultPair, DataFollowsTheRowsAndFitsOneLine)
{
    Text d = DefaultData();
    Text head = Bytes("Please extract the files via ");
    ASSERT_EQ(head.size(), 29u);
    ASSERT_GT(d.size(), 53u);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), d.begin()));
    Text middle = Text{ CC_COLOR, COLOR_RED } + Bytes("helper.exe") + Text{ CC_COLOR, COLOR_WHITE } + Bytes(".") +
                  Text{ CC_LINE_BREAK } + Bytes("     ") + Text{ CC_COLOR, COLOR_YELLOW };
    EXPECT_TRUE(std::equal(middle.begin(), middle.end(), d.begin() + 29));
    EXPECT_EQ(d.back(), CC_END);
    // Row 9 is plain characters only and short enough for one line of the window.
    uint32_t address = 29 + (uint32_t)middle.size();
    for (uint32_t i = address; i + 1 < d.size(); i++) EXPECT_TRUE(d[i] >= 0x20 && d[i] <= 0x7E);
    EXPECT_LE(d.size() - 1 - address, 36u);
    EXPECT_EQ(DefaultTable(), (Text{ 0x10, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00 }));
}

// ---- Both files missing ------------------------------------------------------------------------
TEST_F(StoreTest, BothMissingCreatesPairWritesItAndDeletesItAtClose)
{
    LoadMessageFiles(Store, Dir.c_str());
    EXPECT_EQ(Store.Source, SOURCE_CREATED);
    EXPECT_TRUE(Store.FilesCreated);
    EXPECT_EQ(Store.MessageTableSize, 8u);
    EXPECT_EQ(Store.MessageDataSize, DEFAULT_DATA_SIZE);
    Text onDisk;
    ASSERT_TRUE(ReadTestFile(Dir, "table", onDisk));
    EXPECT_EQ(onDisk, DefaultTable());
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", onDisk));
    EXPECT_EQ(onDisk, DefaultData());
    RefreshBox(Store, false);
    EXPECT_EQ(Store.CurrentMessageId, 0x1000u);
    EXPECT_EQ(EditText(), DefaultData());
    RefreshBox(Store, true);
    EXPECT_TRUE(SaveMessageFiles(Store));
    EXPECT_TRUE(TestFileExists(Dir, "table"));
    CloseMessageStore(Store);
    EXPECT_FALSE(TestFileExists(Dir, "table"));
    EXPECT_FALSE(TestFileExists(Dir, "nes_message_data_static"));
}

// ---- Exactly one file present ------------------------------------------------------------------
TEST_F(StoreTest, OnlyTablePresentIsNeverTouched)
{
    Text table = { 0x12, 0x34, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x55 };
    ASSERT_TRUE(WriteTestFile(Dir, "table", table));
    LoadMessageFiles(Store, Dir.c_str());
    EXPECT_EQ(Store.Source, SOURCE_ONE_MISSING);
    EXPECT_FALSE(Store.FilesCreated);
    EXPECT_EQ(DataBytes(), DefaultData());
    RefreshBox(Store, false);
    TypeByte(Store, 'x');
    RefreshBox(Store, true);
    EXPECT_TRUE(SaveMessageFiles(Store));
    CloseMessageStore(Store);
    Text onDisk;
    ASSERT_TRUE(ReadTestFile(Dir, "table", onDisk));
    EXPECT_EQ(onDisk, table);
    EXPECT_FALSE(TestFileExists(Dir, "nes_message_data_static"));
}

TEST_F(StoreTest, OnlyDataPresentIsNeverTouched)
{
    Text data = Bytes("abc") + Text{ CC_END };
    ASSERT_TRUE(WriteTestFile(Dir, "nes_message_data_static", data));
    LoadMessageFiles(Store, Dir.c_str());
    EXPECT_EQ(Store.Source, SOURCE_ONE_MISSING);
    RefreshBox(Store, true);
    EXPECT_TRUE(SaveMessageFiles(Store));
    CloseMessageStore(Store);
    Text onDisk;
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", onDisk));
    EXPECT_EQ(onDisk, data);
    EXPECT_FALSE(TestFileExists(Dir, "table"));
}

// ---- Damaged files -----------------------------------------------------------------------------
struct DamagedCase
{
    const char* Name;
    Text Table;
    Text Data;
};

TEST_F(StoreTest, DamagedFilesGivePlaceholderAndStayUntouched)
{
    Text data = Bytes("Hi") + Text{ CC_END, 0 } + Bytes("Yo") + Text{ CC_END };
    const DamagedCase cases[] = {
        { "empty table", {}, data },
        { "table not whole entries", { 0x10, 0, 0, 0, 7, 0, 0, 0, 0x10, 0, 0 }, data },
        { "empty data", { 0x10, 0, 0, 0, 7, 0, 0, 0 }, {} },
        { "offset at data size", { 0x10, 0, 0, 0, 7, 0, 0, 0, 0x10, 1, 0, 0, 7, 0, 0, 7 }, data },
        { "offset beyond data", { 0x10, 0, 0, 0, 7, 0x01, 0, 0 }, data },
        { "offsets decrease", { 0x10, 0, 0, 0, 7, 0, 0, 4, 0x10, 1, 0, 0, 7, 0, 0, 0 }, data },
    };
    for (const DamagedCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(WriteMessagePair(Dir, c.Table, c.Data));
        LoadMessageFiles(Store, Dir.c_str());
        EXPECT_EQ(Store.Source, SOURCE_DAMAGED);
        EXPECT_FALSE(Store.FilesCreated);
        EXPECT_EQ(DataBytes(), Text(DAMAGED_DATA, DAMAGED_DATA + DAMAGED_DATA_SIZE));
        RefreshBox(Store, false);
        TypeByte(Store, 'z');
        NextMessage(Store);
        RefreshBox(Store, true);
        EXPECT_TRUE(SaveMessageFiles(Store));
        CloseMessageStore(Store);
        Text t, d;
        ASSERT_TRUE(ReadTestFile(Dir, "table", t));
        ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
        EXPECT_EQ(t, c.Table);
        EXPECT_EQ(d, c.Data);
    }
}

TEST(DefaultPair, DamagedMessageIsOneBoxEndingTheMessage)
{
    Text d(DAMAGED_DATA, DAMAGED_DATA + DAMAGED_DATA_SIZE);
    EXPECT_EQ(std::count(d.begin(), d.end(), CC_END), 1);
    EXPECT_EQ(d.back(), CC_END);
    EXPECT_EQ(std::count(d.begin(), d.end(), CC_BOX_BREAK), 0);
    std::string text(d.begin(), d.end());
    EXPECT_NE(text.find("damaged"), std::string::npos);
}

// ---- Load and save round trips -----------------------------------------------------------------
TEST_F(StoreTest, CapacityIsHalfAgainTheDataSize)
{
    Table = { 0x10, 0, 0, 0, 7, 0, 0, 0 };
    Data.assign(75, 'a');
    Data[74] = CC_END;
    LoadPair();
    EXPECT_EQ(Store.MessageData.size(), 112u);
    Data.assign(1001, 'b');
    Data[1000] = CC_END;
    LoadPair();
    EXPECT_EQ(Store.MessageData.size(), 1501u);
    EXPECT_EQ(Store.MessageDataSize, 1001u);
}

TEST_F(StoreTest, UnchangedRunWritesBothFilesBackByteForByte)
{
    GenerateMessagePair(7, Table, Data);
    LoadPair();
    for (int i = 0; i < 30; i++)
    {
        NextMessage(Store);
        NextBox(Store);
        RefreshBox(Store, false);
    }
    RefreshBox(Store, true);
    ASSERT_TRUE(SaveMessageFiles(Store));
    CloseMessageStore(Store);
    Text t, d;
    ASSERT_TRUE(ReadTestFile(Dir, "table", t));
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
    EXPECT_EQ(t, Table);
    EXPECT_EQ(d, Data);
    EXPECT_EQ(t.size(), 16928u);
}

TEST_F(StoreTest, EditedRunSavesAndReloadsTheSameImages)
{
    GenerateMessagePair(8, Table, Data);
    LoadPair();
    GoToEntry(5);
    TypeByte(Store, 'Q');
    SetBoxType(Store, 3);
    GoToEntry(900);
    EraseForward(Store);
    RefreshBox(Store, true);
    Text data = DataBytes();
    Text table = Store.MessageTable;
    ASSERT_TRUE(SaveMessageFiles(Store));
    MessageStore again;
    LoadMessageFiles(again, Dir.c_str());
    EXPECT_EQ(again.Source, SOURCE_FILES);
    EXPECT_EQ(Text(again.MessageData.begin(), again.MessageData.begin() + again.MessageDataSize), data);
    EXPECT_EQ(again.MessageTable, table);
    // Bytes 0, 1, 3 and 4 of every entry are as loaded.
    for (uint32_t e = 0; e < Table.size(); e += 8)
        for (uint32_t b : { 0u, 1u, 3u, 4u }) ASSERT_EQ(table[e + b], Table[e + b]);
    EXPECT_EQ(table[5 * 8 + 2] >> 4, 3);
}

TEST_F(StoreTest, DirectoryIsKept)
{
    LoadMessages({ Bytes("Hi") + Text{ CC_END } });
    EXPECT_EQ(Store.Directory, Dir);
}

// ---- All-or-nothing saving ---------------------------------------------------------------------
static int FailAtStep = -1;
static int StepsSeen = 0;
static bool CountingFault(FileStep, const char*)
{
    return StepsSeen++ == FailAtStep;
}

TEST_F(StoreTest, FailedSaveLeavesBothOriginalsAndSaysWhichFile)
{
    GenerateMessagePair(3, Table, Data);
    LoadPair();
    TypeByte(Store, 'W');
    NextMessage(Store);
    RefreshBox(Store, true);
    // Count the steps of one save, then fail each of them in turn.
    FileFaultHook = CountingFault;
    FailAtStep = -1;
    StepsSeen = 0;
    MessageStore scratch = Store;
    std::string other = MakeTempDir();
    scratch.Directory = other;
    ASSERT_TRUE(SaveMessageFiles(scratch));
    RemoveTempDir(other);
    int steps = StepsSeen;
    ASSERT_GE(steps, 6);
    for (int fail = 0; fail < steps; fail++)
    {
        SCOPED_TRACE(fail);
        FailAtStep = fail;
        StepsSeen = 0;
        testing::internal::CaptureStderr();
        bool saved = SaveMessageFiles(Store);
        std::string err = testing::internal::GetCapturedStderr();
        Text t, d;
        ASSERT_TRUE(ReadTestFile(Dir, "table", t));
        ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
        EXPECT_FALSE(saved);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
        EXPECT_TRUE(err.find("table") != std::string::npos || err.find("nes_message_data_static") != std::string::npos);
        // Also a failed rename of the table, after the data file was replaced, puts the data
        // file back: every failure leaves both originals.
        EXPECT_EQ(t, Table);
        EXPECT_EQ(d, Data);
    }
    FileFaultHook = nullptr;
    // No temporary file is left behind.
    int files = 0;
    if (DIR* d = opendir(Dir.c_str()))
    {
        while (dirent* entry = readdir(d)) files += entry->d_name[0] != '.' || entry->d_name[1] > '.';
        closedir(d);
    }
    EXPECT_EQ(files, 2);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(SaveMessageFiles(Store));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

#ifndef _WIN32 // Windows files have no such mode bits
TEST_F(StoreTest, SaveKeepsTheFileMode)
{
    LoadMessages({ Bytes("Hi") + Text{ CC_END } });
    chmod((Dir + "/table").c_str(), 0640);
    ASSERT_TRUE(SaveMessageFiles(Store));
    struct stat st;
    ASSERT_EQ(stat((Dir + "/table").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

static bool FailEveryCreate(FileStep step, const char*)
{
    return step == FILE_STEP_CREATE;
}

TEST_F(StoreTest, PlaceholderThatCannotBeCreatedIsHeldInMemory)
{
    FileFaultHook = FailEveryCreate;
    testing::internal::CaptureStderr();
    LoadMessageFiles(Store, Dir.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    FileFaultHook = nullptr;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_FALSE(Store.FilesCreated);
    EXPECT_NE(Store.Source, SOURCE_CREATED);
    EXPECT_EQ(DataBytes(), DefaultData());
    RefreshBox(Store, true);
    EXPECT_TRUE(SaveMessageFiles(Store));
    CloseMessageStore(Store);
    EXPECT_FALSE(TestFileExists(Dir, "table"));
    EXPECT_FALSE(TestFileExists(Dir, "nes_message_data_static"));
}
