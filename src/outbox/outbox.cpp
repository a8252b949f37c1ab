// SPDX-License-Identifier: GPL-3.0-or-later
// The outbox's items and their file; sending them is in outbox_send.cpp.
#include "outbox/outbox.h"

#include "util/files.h"
#include "util/log.h"
#include "util/shared_value.h"
#include "util/text.h"
#include "util/utf8_prefix.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace rz {

namespace {

// A failure's detail is the service's message or the transport's: kept short, it cannot push the
// file past its bound.
constexpr std::size_t kMaxDetailBytes = 1024;

std::string ClippedDetail(const std::string& detail)
{
    return Utf8Prefix(detail, kMaxDetailBytes);
}

// Every text of a value as valid UTF-8, so that the file holds what the outbox holds.
Json Repaired(const Json& value)
{
    if (value.is_string()) {
        return Utf8Repaired(value.get_ref<const std::string&>());
    }
    if (!value.is_structured()) {
        return value;
    }
    Json result = value.is_object() ? Json::object() : Json::array();
    for (auto it = value.begin(); it != value.end(); ++it) {
        if (value.is_object()) {
            result[Utf8Repaired(it.key())] = Repaired(it.value());
        } else {
            result.push_back(Repaired(it.value()));
        }
    }
    return result;
}

Json ItemToJson(const TOutboxItem& item)
{
    Json entry = {{"kind", item.Kind},
                  {"userId", item.UserId},
                  {"key", item.Key},
                  {"label", item.Label},
                  {"fields", item.Fields},
                  {"attempts", item.Attempts},
                  {"lastError", ClippedDetail(item.LastError)},
                  {"unconfirmed", item.Unconfirmed}};
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
            {"detail", ClippedDetail(message.Detail)},
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

// Files moved aside are kept side by side up to this many; past it the file is left in place.
constexpr int kMaxDamagedFiles = 100;

// Keeps a file the outbox cannot read for the user to look at, out of the way of the next save,
// and beside any kept before: "Outbox.json.damaged", then "….damaged.2", "….damaged.3", ….
void MoveAside(const std::string& path)
{
    for (int n = 1; n <= kMaxDamagedFiles; ++n) {
        const std::string aside = path + ".damaged" + (n > 1 ? "." + std::to_string(n) : std::string());
        std::error_code error;
        if (std::filesystem::symlink_status(aside, error).type() != std::filesystem::file_type::not_found) {
            continue;
        }
        std::filesystem::rename(path, aside, error);
        if (error) {
            break;
        }
        LogWarning("the outbox file could not be read and was moved aside as " + aside);
        return;
    }
    LogWarning("could not move the unreadable outbox file aside; it is left as it is");
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
    const std::size_t before = m_Items.size();
    EndUnknownKindsLocked();
    TieToAccountLocked(m_UserId.Get());
    if (m_Items.size() != before) {
        SaveLocked();
    }
}

void TOutbox::EndUnknownKindsLocked()
{
    // Without any kind registered nothing can be judged.
    if (m_Kinds.empty()) {
        return;
    }
    // Never due and never sent, such an item would wait for ever without a word.
    for (std::size_t i = m_Items.size(); i-- > 0;) {
        if (!m_Kinds.contains(m_Items[i].Kind)) {
            LogWarning("an outbox item of an unknown kind ends: " + m_Items[i].Kind);
            EndLocked(i, "strOutboxUnknownKind", {});
        }
    }
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
    bool queued = false;
    const TAddResult result = AddLocked(std::move(item), queued);
    if (queued && m_OnQueued) {
        m_OnQueued();
    }
    return result;
}

TOutbox::TAddResult TOutbox::AddLocked(TOutboxItem item, bool& queued)
{
    std::lock_guard lock(m_Mutex);
    item.UserId = m_UserId.Get();
    if (item.UserId.empty()) {
        return TAddResult::NoAccount;
    }
    // Held as the file holds it: a text with invalid bytes (from a page) would otherwise not read
    // back, and no file is written that does not.
    item.Kind = Utf8Repaired(item.Kind);
    item.Key = Utf8Repaired(item.Key);
    item.Label = Utf8Repaired(item.Label);
    item.LastError = Utf8Repaired(item.LastError);
    item.Fields = Repaired(item.Fields);
    if (FindLocked(item.Kind, item.Key) != kNone) {
        return TAddResult::Queued;
    }
    m_Items.push_back(std::move(item));
    // Only what is saved is queued: a change held in memory alone would be lost by a crash. The
    // items already waiting keep room to grow by their retry marks and details.
    const std::optional<std::string> text = FileTextLocked();
    const TAddResult result = !text                                 ? TAddResult::NotSaved
                              : text->size() > kOutboxAddBoundBytes ? TAddResult::TooLarge
                              : WriteLocked(*text)                  ? TAddResult::Queued
                                                                    : TAddResult::NotSaved;
    if (result != TAddResult::Queued) {
        m_Items.pop_back();
    }
    queued = result == TAddResult::Queued;
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

std::optional<std::string> TOutbox::FileTextLocked(std::size_t skipMessages, bool withDetails) const
{
    Json items = Json::array();
    for (const TOutboxItem& item : m_Items) {
        items.push_back(ItemToJson(item));
        if (!withDetails) {
            items.back()["lastError"] = "";
        }
    }
    Json messages = Json::array();
    for (std::size_t i = std::min(skipMessages, m_Messages.size()); i < m_Messages.size(); ++i) {
        messages.push_back(MessageToJson(m_Messages[i]));
    }
    return JsonTextReadingBack(Json{{"items", items}, {"messages", messages}});
}

bool TOutbox::SaveLocked() const
{
    // A file past its bound is moved aside at the next start, every waiting item with it: what
    // only informs (old messages, then the failures' details) goes first, and the file is never
    // written past it.
    std::optional<std::string> text = FileTextLocked();
    for (std::size_t skip = 1; text && text->size() > kMaxOutboxFileBytes && skip <= m_Messages.size();
         ++skip) {
        text = FileTextLocked(skip);
    }
    if (text && text->size() > kMaxOutboxFileBytes) {
        text = FileTextLocked(m_Messages.size(), false);
    }
    if (!text || text->size() > kMaxOutboxFileBytes) {
        LogWarning("the changes waiting for OneNote were not saved: the file would not read back");
        return false;
    }
    return WriteLocked(*text);
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
