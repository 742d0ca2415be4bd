// helper when things go wrong: the old message files survive a failed or killed extraction
// (each file is afterwards its complete old or its complete new version), and checksums that
// cannot be written after an injection are reported.
#include "fault_support.h"
#include "dialogue.h"
#include "platform.h"
#include "rom_builder.h"
#include "rom_transfer.h"
#include "testdata.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char EXTRACT_ANSWERS[] = "2\nrom.z64\n1\n\n"; // extract, replace the old files

struct ExtractFaults : ::testing::Test
{
    std::string Dir;
    std::string PreviousDir;
    Bytes8 OldTable, OldData; // message files present before the extraction
    Bytes8 RomTable, RomData; // what the ROM holds

    void SetUp() override
    {
        Dir = MakeFastTempDir();
        ASSERT_FALSE(Dir.empty());
        // Tables as the game's, so the old files can be injected too.
        const TestReleaseFacts& release = TestRelease("gc-eu-mq-dbg");
        Bytes8 generatedData;
        GeneratedEnglishText(release, 5, RomTable, generatedData);
        GeneratedEnglishText(release, 6, OldTable, generatedData);
        TestRandom random(5);
        RomData.resize(6 * COPY_BLOCK + 1234); // several blocks: a write can fail midway
        for (uint8_t& b : RomData) b = (uint8_t)random.Next();
        OldData.assign(5000, 0x22);
        TestImageOptions options;
        options.EnglishTable = &RomTable;
        options.EnglishData = &RomData;
        ASSERT_TRUE(WriteImageFile(Dir + "/rom.z64", BuildTestImage(release, options).Rom));
        ASSERT_TRUE(WriteOldFiles());
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
        PreviousDir = cwd;
    }
    void TearDown() override
    {
        HelperFaultHook = nullptr;
        if (!PreviousDir.empty() && chdir(PreviousDir.c_str()) != 0) ADD_FAILURE() << "cannot return";
        chmod(Dir.c_str(), 0755);
        RemoveTempDir(Dir);
    }

    bool WriteOldFiles()
    {
        return WriteTestFile(Dir, "table", OldTable) && WriteTestFile(Dir, "nes_message_data_static", OldData);
    }

    // Runs the dialogue in this process in dir; its console text to *text (no memory streams on Windows).
    static int Dialogue(const std::string& dir, const char* answers, std::string* text = nullptr)
    {
        if (chdir(dir.c_str()) != 0) return -1;
        FILE* in = tmpfile();
        FILE* out = tmpfile();
        if (!in || !out) return -1;
        fputs(answers, in);
        rewind(in);
        int status = RunHelperDialogue(in, out);
        rewind(out);
        for (int c; text && (c = fgetc(out)) != EOF;) *text += (char)c;
        fclose(in);
        fclose(out);
        return status;
    }
    static int Extract(const std::string& dir) { return Dialogue(dir, EXTRACT_ANSWERS); }

    void ExpectOldFiles()
    {
        Bytes8 t, d;
        EXPECT_TRUE(ReadTestFile(Dir, "table", t));
        EXPECT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
        EXPECT_TRUE(t == OldTable) << "table changed";
        EXPECT_TRUE(d == OldData) << "data file changed";
        EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{ "nes_message_data_static", "rom.z64", "table" }));
    }
};

// ---- Files that cannot be created or written -----------------------------------------------------
static bool FailCreate(HelperFileStep step, const char*) { return step == HELPER_STEP_CREATE; }

TEST_F(ExtractFaults, TemporaryFileCannotBeCreated)
{
    if (RunningAsRoot())
        HelperFaultHook = FailCreate; // root creates files in any directory
    else
        ASSERT_EQ(chmod(Dir.c_str(), 0555), 0);
    EXPECT_EQ(Extract(Dir), STATUS_IO_FAILURE);
    ExpectOldFiles();
}

static int FailAt = -1;
static int Seen = 0;
static HelperFileStep FailKind = HELPER_STEP_WRITE;
static bool FailNthOfKind(HelperFileStep step, const char*)
{
    return step == FailKind && Seen++ == FailAt;
}

TEST_F(ExtractFaults, EveryFailingStepKeepsTheOldFiles)
{
    HelperFaultHook = FailNthOfKind;
    // One block of the table, then the data blocks: a failure of each of them, then of either
    // file's creation, sync and rename (the data file's rename comes after the table's).
    const int dataBlocks = (int)((RomData.size() + COPY_BLOCK - 1) / COPY_BLOCK);
    struct { HelperFileStep Kind; int Count; } steps[] = {
        { HELPER_STEP_WRITE, 1 + dataBlocks },
        { HELPER_STEP_CREATE, 2 },
        { HELPER_STEP_SYNC, 2 },
        { HELPER_STEP_RENAME, 2 },
    };
    for (const auto& s : steps)
        for (FailAt = 0; FailAt < s.Count; FailAt++)
        {
            SCOPED_TRACE(testing::Message() << "step " << s.Kind << " number " << FailAt);
            FailKind = s.Kind;
            Seen = 0;
            EXPECT_EQ(Extract(Dir), STATUS_IO_FAILURE);
            EXPECT_EQ(Seen, FailAt + 1); // the failing step was reached
            ExpectOldFiles();
        }
    HelperFaultHook = nullptr;
    EXPECT_EQ(Extract(Dir), STATUS_DONE);
    Bytes8 t, d;
    ASSERT_TRUE(ReadTestFile(Dir, "table", t));
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
    EXPECT_TRUE(t == RomTable);
    EXPECT_TRUE(d == RomData);
}

#ifndef _WIN32 // no fork there, and the checksum tool is looked for differently
// ---- Killed while extracting ---------------------------------------------------------------------
TEST_F(ExtractFaults, KilledAtRandomMomentsEachFileIsOldOrNew)
{
    // How long a complete extraction takes here, to spread the kills over it.
    std::string timingDir = MakeFastTempDir();
    ASSERT_EQ(link((Dir + "/rom.z64").c_str(), (timingDir + "/rom.z64").c_str()), 0);
    uint64_t start = NowMicros();
    ASSERT_EQ(Extract(timingDir), STATUS_DONE);
    uint64_t extractMicros = NowMicros() - start;
    RemoveTempDir(timingDir);

    TestRandom random(9);
    const int REPETITIONS = 200;
    int oldData = 0, newTable = 0;
    for (int rep = 0; rep < REPETITIONS; rep++)
    {
        SCOPED_TRACE(rep);
        ASSERT_TRUE(WriteOldFiles());
        uint32_t delay = random.Below((uint32_t)(extractMicros * 3 / 2) + 50);
        std::string dir = Dir;
        RunAndKill([&](const std::function<void()>& ready) {
            if (chdir(dir.c_str()) != 0) _exit(2);
            ready();
            Extract(dir);
        }, delay);
        Bytes8 t, d;
        ASSERT_TRUE(ReadTestFile(Dir, "table", t)) << "table missing";
        ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d)) << "data file missing";
        ASSERT_TRUE(t == OldTable || t == RomTable) << "table neither old nor new, " << t.size() << " bytes";
        ASSERT_TRUE(d == OldData || d == RomData) << "data neither old nor new, " << d.size() << " bytes";
        oldData += d == OldData;
        newTable += t == RomTable;
        // A killed extraction may leave its temporary files; they are not message files.
        for (const std::string& name : DirectoryNames(Dir))
            if (name != "table" && name != "nes_message_data_static" && name != "rom.z64")
                unlink((Dir + "/" + name).c_str());
    }
    EXPECT_GT(oldData, 0);
    EXPECT_GT(newTable, 0);
}

// ---- Checksums that cannot be written ------------------------------------------------------------
static int RomWrites = 0, FailRomWrite = -1;
static bool FailNthRomWrite(HelperFileStep step, const char*)
{
    return step == HELPER_STEP_WRITE_ROM && RomWrites++ == FailRomWrite;
}

TEST_F(ExtractFaults, ChecksumsThatCannotBeWrittenAreReported)
{
    // No checksum tool on the search path: helper writes the checksums as the last write of an
    // injection. A first run counts the writes.
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    ASSERT_EQ(setenv("PATH", (Dir + "/nowhere").c_str(), 1), 0);
    HelperFaultHook = FailNthRomWrite;
    std::string out;
    EXPECT_EQ(Dialogue(Dir, "1\nrom.z64\n\n", &out), STATUS_DONE);
    EXPECT_NE(out.find("Checksums updated by helper.\n"), std::string::npos) << out;

    // The checksum write fails: said after the success line, status 5, header as it was.
    Bytes8 rom, after;
    ASSERT_TRUE(ReadTestFile(Dir, "rom.z64", rom));
    std::fill(rom.begin() + 0x10, rom.begin() + 0x18, 0x5A);
    ASSERT_TRUE(WriteTestFile(Dir, "rom.z64", rom));
    FailRomWrite = RomWrites - 1;
    RomWrites = 0;
    out.clear();
    EXPECT_EQ(Dialogue(Dir, "1\nrom.z64\n\n", &out), STATUS_IO_FAILURE);
    EXPECT_NE(out.find("The files were successfully injected!\n"
                       "Writing the checksums failed; the ROM image's header may be partly changed.\n"),
              std::string::npos) << out;
    ASSERT_TRUE(ReadTestFile(Dir, "rom.z64", after));
    EXPECT_TRUE(after == rom); // the header as it was
    setenv("PATH", oldPath.c_str(), 1);
}
#endif
