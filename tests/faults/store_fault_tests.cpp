// Saving the message files when things go wrong: each file afterwards is its complete old or
// its complete new version, and a failed save leaves both originals byte-identical.
#include "fault_support.h"
#include "message_store.h"
#include "file_layer.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

struct SaveFaults : ::testing::Test
{
    std::string Dir;
    MessageStore Store;
    Bytes8 Table, Data;       // the originals on disk
    Bytes8 NewTable, NewData; // what a complete save writes

    void SetUp() override
    {
        Dir = MakeFastTempDir();
        ASSERT_FALSE(Dir.empty());
        GenerateMessagePair(11, Table, Data);
        ASSERT_GT(Data.size(), 4 * FILE_WRITE_CHUNK); // several chunks: a write can fail midway
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
        EditAndCommit(Store);
        NewTable.assign(Store.MessageTable.begin(), Store.MessageTable.begin() + Store.MessageTableSize);
        NewData.assign(Store.MessageData.begin(), Store.MessageData.begin() + Store.MessageDataSize);
        ASSERT_NE(NewData, Data);
        ASSERT_NE(NewTable, Table);
    }
    void TearDown() override
    {
        FileFaultHook = nullptr;
        chmod(Dir.c_str(), 0755);
        RemoveTempDir(Dir);
    }

    // Loads the originals and makes an edit that changes both files (text and offsets).
    void EditAndCommit(MessageStore& store)
    {
        LoadMessageFiles(store, Dir.c_str());
        ASSERT_EQ(store.Source, SOURCE_FILES);
        RefreshBox(store, false);
        TypeByte(store, 'N');
        TypeByte(store, 'e');
        TypeByte(store, 'w');
        RefreshBox(store, true);
    }

    void ExpectOriginals()
    {
        Bytes8 t, d;
        EXPECT_TRUE(ReadTestFile(Dir, "table", t));
        EXPECT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
        EXPECT_TRUE(t == Table) << "table changed";
        EXPECT_TRUE(d == Data) << "data changed";
        EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{ "nes_message_data_static", "table" }));
    }

    // Saves while a fault is in place; the save must fail, say so in one line, change nothing.
    void ExpectFailedSave()
    {
        testing::internal::CaptureStderr();
        bool saved = SaveMessageFiles(Store);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(saved);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        ExpectOriginals();
    }
};

// ---- Files that cannot be created or written -----------------------------------------------------
static bool FailCreate(FileStep step, const char*) { return step == FILE_STEP_CREATE; }

TEST_F(SaveFaults, TemporaryFileCannotBeCreated)
{
    if (RunningAsRoot())
        FileFaultHook = FailCreate; // root creates files in any directory
    else
        ASSERT_EQ(chmod(Dir.c_str(), 0555), 0);
    ExpectFailedSave();
    FileFaultHook = nullptr;
    chmod(Dir.c_str(), 0755);
    EXPECT_TRUE(SaveMessageFiles(Store));
}

static int FailAt = -1;
static int Seen = 0;
static FileStep FailKind = FILE_STEP_WRITE;
static bool FailNthOfKind(FileStep step, const char*)
{
    return step == FailKind && Seen++ == FailAt;
}

TEST_F(SaveFaults, WriteFailingMidwayInEitherFile)
{
    // Count the write steps of a complete save elsewhere, then fail each one in turn: the first
    // ones lie in the data file, the last one is the table's.
    FileFaultHook = FailNthOfKind;
    FailKind = FILE_STEP_WRITE;
    FailAt = -1;
    Seen = 0;
    MessageStore counting = Store;
    counting.Directory = MakeFastTempDir();
    ASSERT_TRUE(SaveMessageFiles(counting));
    RemoveTempDir(counting.Directory);
    int writes = Seen;
    ASSERT_GE(writes, 6);
    for (FailAt = 0; FailAt < writes; FailAt++)
    {
        SCOPED_TRACE(FailAt);
        Seen = 0;
        ExpectFailedSave();
    }
}

TEST_F(SaveFaults, SyncOrRenameFailingInEitherFile)
{
    FileFaultHook = FailNthOfKind;
    for (FileStep kind : { FILE_STEP_SYNC, FILE_STEP_RENAME })
        for (FailAt = 0; FailAt < 2; FailAt++)
        {
            SCOPED_TRACE(testing::Message() << "step " << kind << " file " << FailAt);
            FailKind = kind;
            Seen = 0;
            ExpectFailedSave(); // the table's rename failing puts the replaced data file back
        }
    FileFaultHook = nullptr;
    EXPECT_TRUE(SaveMessageFiles(Store));
    Bytes8 d;
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
    EXPECT_TRUE(d == NewData);
}

#ifndef _WIN32
// ---- Killed while saving -------------------------------------------------------------------------
TEST_F(SaveFaults, KilledAtRandomMomentsEachFileIsOldOrNew)
{
    // How long a complete save takes here, to spread the kills over it.
    MessageStore timing = Store;
    timing.Directory = MakeFastTempDir();
    uint64_t start = NowMicros();
    ASSERT_TRUE(SaveMessageFiles(timing));
    uint64_t saveMicros = NowMicros() - start;
    RemoveTempDir(timing.Directory);

    TestRandom random(7);
    const int REPETITIONS = 200;
    int killedEarly = 0, finished = 0;
    for (int rep = 0; rep < REPETITIONS; rep++)
    {
        SCOPED_TRACE(rep);
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
        uint32_t delay = random.Below((uint32_t)(saveMicros * 3 / 2) + 50);
        // Every twentieth save runs to its end: on a loaded machine the measured time says little.
        if (rep % 20 == 19) delay = LET_IT_FINISH;
        // The child inherits the edited store and only saves it.
        RunAndKill([&](const std::function<void()>& ready) {
            ready();
            SaveMessageFiles(Store);
        }, delay);
        Bytes8 t, d;
        ASSERT_TRUE(ReadTestFile(Dir, "table", t)) << "table missing";
        ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d)) << "data file missing";
        ASSERT_TRUE(t == Table || t == NewTable) << "table neither old nor new, " << t.size() << " bytes";
        ASSERT_TRUE(d == Data || d == NewData) << "data neither old nor new, " << d.size() << " bytes";
        // The data file is replaced first: a new table never stands beside old data.
        ASSERT_FALSE(t == NewTable && d == Data);
        if (d == Data) killedEarly++;
        if (t == NewTable) finished++;
        // A killed save may leave its temporary files; they are not message files.
        for (const std::string& name : DirectoryNames(Dir))
            if (name != "table" && name != "nes_message_data_static")
                unlink((Dir + "/" + name).c_str());
    }
    // The moments were spread: some kills came before the first rename, some saves completed.
    EXPECT_GT(killedEarly, 0);
    EXPECT_GT(finished, 0);
}
#endif
