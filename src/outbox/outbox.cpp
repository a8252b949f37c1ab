// SPDX-License-Identifier: GPL-3.0-or-later
// The outbox's items and their file; sending them is in outbox_send.cpp.
#include "outbox/outbox.h"

#include "util/files.h"
#include "util/log.h"
#include "util/shared_value.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace rz {

namespace {

Json ItemToJson(const TOutboxItem& item)
{
    Json entry = {
        {"kind", item.Kind},           {"userId", item.UserId},          {"key", item.Key},
        {"label", item.Label},         {"fields", item.Fields},          {"attempts", item.Attempts},
        {"lastError", item.LastError}, {"unconfirmed", item.Unconfirmed}};
    if (item.NextTry) {
        entry["nextTry"] = item.NextTry->seconds;
    }
    return entry;
}

std::optional<TOutboxItem> ItemFromJson(const Json& entry)
{
    TOutboxItem item;
    item.Kind = JsonText(entry, "kind");
    item.UserId = JsonText(entry, "userId");
    item.Key = JsonText(entry, "key");
    item.Label = JsonText(entry, "label");
    item.LastError = JsonText(entry, "lastError");
    if (item.Kind.empty() || item.Key.empty()) {
        return std::nullopt;
    }
    if (const auto fields = entry.find("fields"); fields != entry.end() && fields->is_object()) {
        item.Fields = *fields;
    }
    if (const auto attempts = entry.find("attempts");
        attempts != entry.end() && attempts->is_number_integer()) {
        item.Attempts = static_cast<int>(std::clamp<std::int64_t>(attempts->get<std::int64_t>(), 0, 1 << 20));
    }
    if (const auto next = entry.find("nextTry"); next != entry.end() && next->is_number()) {
        item.NextTry = Date{next->get<double>()};
    }
    if (const auto unconfirmed = entry.find("unconfirmed");
        unconfirmed != entry.end() && unconfirmed->is_boolean()) {
        item.Unconfirmed = unconfirmed->get<bool>();
    }
    return item;
}

Json MessageToJson(const TOutboxMessage& message)
{
    return {{"key", message.Key},
            {"label", message.Label},
            {"detail", message.Detail},
            {"when", message.When.seconds}};
}

TOutboxMessage MessageFromJson(const Json& entry)
{
    TOutboxMessage message{JsonText(entry, "key"), JsonText(entry, "label"), JsonText(entry, "detail"), {}};
    if (const auto when = entry.find("when"); when != entry.end() && when->is_number()) {
        message.When = Date{when->get<double>()};
    }
    return message;
}

} // namespace

TOutbox::TOutbox(std::string filePath, const SharedString& userId)
    : m_FilePath(std::move(filePath)), m_UserId(userId)
{
}

TOutbox::~TOutbox() = default;

void TOutbox::AddKind(std::unique_ptr<TOutboxKind> kind)
{
    if (kind) {
        m_Kinds[kind->Name()] = std::move(kind);
    }
}

namespace {

// Keeps a file the outbox cannot read for the user to look at, out of the way of the next save.
void MoveAside(const std::string& path)
{
    std::error_code error;
    std::filesystem::rename(path, path + ".damaged", error);
    if (error) {
        LogWarning("could not move the unreadable outbox file aside; it is left as it is");
        return;
    }
    LogWarning("the outbox file could not be read and was moved aside as " + path + ".damaged");
}

} // namespace

void TOutbox::Load()
{
    const std::filesystem::path folder = std::filesystem::path(m_FilePath).parent_path();
    std::error_code error;
    if (std::filesystem::symlink_status(m_FilePath, error).type() == std::filesystem::file_type::not_found) {
        TakeOverEarlierFiles(folder);
        return;
    }
    const std::optional<std::string> text = ReadTextFile(m_FilePath, kMaxOutboxFileBytes);
    const Json stored = text ? JsonTextToObject(std::string_view(*text)) : Json();
    const Json* storedItems = JsonArray(stored, "items");
    if (!storedItems) {
        // Overwriting it with the next change would lose every change waiting in it for good.
        MoveAside(m_FilePath);
        return;
    }
    std::lock_guard lock(m_Mutex);
    for (const Json& entry : *storedItems) {
        if (std::optional<TOutboxItem> item = ItemFromJson(entry)) {
            m_Items.push_back(std::move(*item));
        }
    }
    if (const Json* messages = JsonArray(stored, "messages")) {
        for (const Json& entry : *messages) {
            m_Messages.push_back(MessageFromJson(entry));
        }
    }
    TieToAccountLocked(m_UserId.Get());
}

void TOutbox::TakeOverEarlierFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> takenOver;
    std::lock_guard lock(m_Mutex);
    for (const auto& [name, kind] : m_Kinds) {
        const std::optional<TOutboxTakeover> takeover = kind->Takeover();
        if (!takeover || !takeover->Items) {
            continue;
        }
        const std::string path = (folder / takeover->FileName).string();
        const std::optional<std::string> text = ReadTextFile(path, kMaxOutboxFileBytes);
        if (!text) {
            continue;
        }
        for (TOutboxItem& item : takeover->Items(JsonTextToObject(std::string_view(*text)))) {
            m_Items.push_back(std::move(item));
        }
        takenOver.push_back(path);
    }
    if (takenOver.empty()) {
        return;
    }
    TieToAccountLocked(m_UserId.Get());
    // An earlier file goes only once its items are safe in ours.
    if (!SaveLocked()) {
        return;
    }
    for (const std::string& path : takenOver) {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
}

TOutbox::TAddResult TOutbox::Add(TOutboxItem item)
{
    std::lock_guard lock(m_Mutex);
    item.UserId = m_UserId.Get();
    if (item.UserId.empty()) {
        return TAddResult::NoAccount;
    }
    if (FindLocked(item.Kind, item.Key) != kNone) {
        return TAddResult::Queued;
    }
    m_Items.push_back(std::move(item));
    // Only what is saved is queued: a change held in memory alone would be lost by a crash.
    const std::string text = FileTextLocked();
    const TAddResult result = text.size() > kMaxOutboxFileBytes ? TAddResult::TooLarge
                              : WriteLocked(text)               ? TAddResult::Queued
                                                                : TAddResult::NotSaved;
    if (result != TAddResult::Queued) {
        m_Items.pop_back();
    }
    return result;
}

std::vector<TOutboxItem> TOutbox::Items() const
{
    std::lock_guard lock(m_Mutex);
    return m_Items;
}

std::size_t TOutbox::Count() const
{
    std::lock_guard lock(m_Mutex);
    return m_Items.size();
}

std::size_t TOutbox::CountOf(std::string_view kind) const
{
    std::lock_guard lock(m_Mutex);
    return static_cast<std::size_t>(std::count_if(
        m_Items.begin(), m_Items.end(), [&](const TOutboxItem& item) { return item.Kind == kind; }));
}

bool TOutbox::HasAccount() const
{
    return !m_UserId.Get().empty();
}

std::vector<TOutboxMessage> TOutbox::TakeNewMessages()
{
    std::lock_guard lock(m_Mutex);
    return std::exchange(m_NewMessages, {});
}

std::optional<TOutboxMessage> TOutbox::LastProblem() const
{
    std::lock_guard lock(m_Mutex);
    return m_LastProblem;
}

std::vector<TOutboxMessage> TOutbox::Messages() const
{
    std::lock_guard lock(m_Mutex);
    return m_Messages;
}

std::size_t TOutbox::FindLocked(const std::string& kind, const std::string& key) const
{
    for (std::size_t i = 0; i < m_Items.size(); ++i) {
        if (m_Items[i].Kind == kind && m_Items[i].Key == key) {
            return i;
        }
    }
    return kNone;
}

void TOutbox::TieToAccountLocked(const std::string& userId)
{
    if (userId.empty()) {
        return;
    }
    for (std::size_t i = m_Items.size(); i-- > 0;) {
        if (m_Items[i].UserId.empty()) {
            m_Items[i].UserId = userId;
        } else if (m_Items[i].UserId != userId) {
            EndLocked(i, "strOutboxOtherAccount", {});
        }
    }
}

void TOutbox::EndLocked(std::size_t index, const std::string& key, const std::string& detail)
{
    if (!key.empty()) {
        m_Messages.push_back({key, m_Items[index].Label, detail, DateNow()});
        if (m_Messages.size() > kOutboxMaxMessages) {
            m_Messages.erase(m_Messages.begin());
        }
        m_NewMessages.push_back(m_Messages.back());
        if (m_NewMessages.size() > kOutboxMaxMessages) {
            m_NewMessages.erase(m_NewMessages.begin());
        }
    }
    if (m_LastProblem && m_LastProblem->Label == m_Items[index].Label) {
        m_LastProblem.reset();
    }
    m_Items.erase(m_Items.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string TOutbox::FileTextLocked() const
{
    Json items = Json::array();
    for (const TOutboxItem& item : m_Items) {
        items.push_back(ItemToJson(item));
    }
    Json messages = Json::array();
    for (const TOutboxMessage& message : m_Messages) {
        messages.push_back(MessageToJson(message));
    }
    return JsonObjectToText(Json{{"items", items}, {"messages", messages}});
}

bool TOutbox::SaveLocked() const
{
    return WriteLocked(FileTextLocked());
}

bool TOutbox::WriteLocked(const std::string& text) const
{
    if (WriteTextFile(m_FilePath, text)) {
        return true;
    }
    LogWarning("could not save the changes waiting for OneNote");
    return false;
}

} // namespace rz
