// Loading, saving and releasing the store; reading and writing table entries.
#include "message_store.h"
#include "store_internal.h"
#include "file_layer.h"

static std::string FilePath(const MessageStore& store, const char* name)
{
    return store.Directory + "/" + name;
}

// ---- Table entries ------------------------------------------------------------------------------
uint32_t ReadTextOffset(const MessageStore& store, uint32_t entryPos)
{
    if (!EntryInTable(store, entryPos)) return 0;
    const uint8_t* e = &store.MessageTable[entryPos];
    return ((uint32_t)e[5] << 16) | ((uint32_t)e[6] << 8) | e[7];
}

void WriteTextOffset(MessageStore& store, uint32_t entryPos, uint32_t offset)
{
    if (!EntryInTable(store, entryPos)) return;
    uint8_t* e = &store.MessageTable[entryPos];
    e[5] = (uint8_t)(offset >> 16);
    e[6] = (uint8_t)(offset >> 8);
    e[7] = (uint8_t)offset;
}

void RefreshCurrentEntry(MessageStore& store)
{
    if (store.CurrentEntryPos % ENTRY_SIZE != 0 || !EntryInTable(store, store.CurrentEntryPos))
        store.CurrentEntryPos = 0;
    if (store.MessageTableSize < ENTRY_SIZE) return;
    for (uint32_t i = 0; i < ENTRY_SIZE; i++)
        store.CurrentEntry[i] = store.MessageTable[store.CurrentEntryPos + i];
    store.CurrentTextOffset = ReadTextOffset(store, store.CurrentEntryPos);
    store.CurrentMessageId = EntryMessageId(store.CurrentEntry);
}

// ---- Checking and taking a pair -----------------------------------------------------------------
bool MessagePairIsSound(const uint8_t* table, uint32_t tableSize, uint32_t dataSize)
{
    if (tableSize == 0 || tableSize % ENTRY_SIZE != 0 || dataSize == 0) return false;
    uint32_t previous = 0;
    for (uint32_t e = 0; e < tableSize; e += ENTRY_SIZE)
    {
        uint32_t offset = ((uint32_t)table[e + 5] << 16) | ((uint32_t)table[e + 6] << 8) | table[e + 7];
        if (offset >= dataSize || offset < previous) return false;
        previous = offset;
    }
    return true;
}

void SetStorePair(MessageStore& store, const uint8_t* table, uint32_t tableSize,
                  const uint8_t* data, uint32_t dataSize)
{
    std::string directory = store.Directory;
    store = MessageStore();
    store.Directory = directory;
    uint32_t capacity = dataSize + dataSize / 2;
    store.MessageData.assign(capacity > 16 ? capacity : 16, 0);
    for (uint32_t i = 0; i < dataSize; i++) store.MessageData[i] = data[i];
    store.MessageDataSize = dataSize;
    store.MessageTable.assign(table, table + tableSize);
    store.MessageTableSize = tableSize;
    store.BoxStarts.reserve(64);
    store.AlignWork.reserve(64);
}

// ---- Load -----------------------------------------------------------------------------------------
void LoadMessageFiles(MessageStore& store, const char* directory)
{
    store.Directory = directory ? directory : ".";
    std::vector<uint8_t> table, data;
    ReadResult tableRead = ReadWholeFile(FilePath(store, TABLE_FILE_NAME), table);
    ReadResult dataRead = ReadWholeFile(FilePath(store, DATA_FILE_NAME), data);

    if (tableRead == READ_OK && dataRead == READ_OK)
    {
        if (data.size() <= 0xFFFFFFFFu / 2 &&
            MessagePairIsSound(table.data(), (uint32_t)table.size(), (uint32_t)data.size()))
        {
            SetStorePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size());
            store.Source = SOURCE_FILES;
            return;
        }
        SetStorePair(store, DEFAULT_TABLE, sizeof(DEFAULT_TABLE), DAMAGED_DATA, DAMAGED_DATA_SIZE);
        store.Source = SOURCE_DAMAGED;
        return;
    }

    SetStorePair(store, DEFAULT_TABLE, sizeof(DEFAULT_TABLE), DEFAULT_DATA, DEFAULT_DATA_SIZE);
    store.Source = SOURCE_ONE_MISSING;
    if (tableRead == READ_MISSING && dataRead == READ_MISSING)
    {
        // Both missing: the placeholder pair goes to disk for the run and is deleted at the end.
        FileToWrite files[2] = {
            { FilePath(store, TABLE_FILE_NAME), DEFAULT_TABLE, (uint32_t)sizeof(DEFAULT_TABLE) },
            { FilePath(store, DATA_FILE_NAME), DEFAULT_DATA, DEFAULT_DATA_SIZE },
        };
        if (ReplaceFiles(files, 2))
        {
            store.Source = SOURCE_CREATED;
            store.FilesCreated = true;
        }
        else
        {
            // Both were missing, so whatever half of the pair got there is ours to remove.
            RemoveFile(files[0].Path);
            RemoveFile(files[1].Path);
        }
    }
}

// ---- Load for the console programs ------------------------------------------------------------
bool TakeMessagePair(MessageStore& store, const uint8_t* table, uint32_t tableSize,
                     const uint8_t* data, uint32_t dataSize)
{
    if (dataSize > 0xFFFFFFFFu / 2 || !MessagePairIsSound(table, tableSize, dataSize))
    {
        SetStorePair(store, nullptr, 0, nullptr, 0);
        store.Source = SOURCE_DAMAGED;
        return false;
    }
    SetStorePair(store, table, tableSize, data, dataSize);
    store.Source = SOURCE_FILES;
    return true;
}

LoadOutcome LoadExistingMessageFiles(MessageStore& store, const char* directory)
{
    store.Directory = directory ? directory : ".";
    std::vector<uint8_t> table, data;
    ReadResult tableRead = ReadWholeFile(FilePath(store, TABLE_FILE_NAME), table);
    ReadResult dataRead = ReadWholeFile(FilePath(store, DATA_FILE_NAME), data);
    if (tableRead == READ_MISSING || dataRead == READ_MISSING)
    {
        SetStorePair(store, nullptr, 0, nullptr, 0);
        store.Source = SOURCE_ONE_MISSING;
        return LOAD_MISSING;
    }
    if (tableRead != READ_OK || dataRead != READ_OK)
    {
        SetStorePair(store, nullptr, 0, nullptr, 0);
        store.Source = SOURCE_DAMAGED;
        return LOAD_UNREADABLE;
    }
    bool fits = data.size() <= 0xFFFFFFFFu / 2 && table.size() <= 0xFFFFFFFFu;
    if (fits && TakeMessagePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size()))
        return LOAD_OK;
    TakeMessagePair(store, nullptr, 0, nullptr, 0); // leaves the store empty
    return LOAD_DAMAGED;
}

// ---- Save ---------------------------------------------------------------------------------------
bool SaveMessageFiles(MessageStore& store)
{
    // A placeholder held in memory protects files that are present but unusable.
    if (store.Source != SOURCE_FILES && store.Source != SOURCE_CREATED) return true;
    FileToWrite files[2] = {
        { FilePath(store, DATA_FILE_NAME), store.MessageData.data(), store.MessageDataSize },
        { FilePath(store, TABLE_FILE_NAME), store.MessageTable.data(), store.MessageTableSize },
    };
    return ReplaceFiles(files, 2);
}

// ---- Close --------------------------------------------------------------------------------------
void CloseMessageStore(MessageStore& store)
{
    if (store.FilesCreated)
    {
        RemoveFile(FilePath(store, DATA_FILE_NAME));
        RemoveFile(FilePath(store, TABLE_FILE_NAME));
        store.FilesCreated = false;
    }
    std::vector<uint8_t>().swap(store.MessageData);
    std::vector<uint8_t>().swap(store.ScratchData);
    std::vector<uint8_t>().swap(store.MessageTable);
    store.MessageDataSize = 0;
    store.MessageTableSize = 0;
}
