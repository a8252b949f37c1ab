// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder-page query over a heavy account's store: 2,000 sections of 100 pages each, shaped
// like the service's answers (ids, links and parent sections full of "!"), one section in twenty
// holding one "!" title. "Read" only reads the same files, the baseline; "Query" reads every page
// list again and compares it with the memo of its last run; "QueryRepeat" is the query as the app
// repeats it over an unchanged store, reading only the lists whose stamp moved (none);
// "QueryFirstRun" has no memo to go by; "QueryParsingEveryList" parses every page list, as the
// query would without its prefilter; "ReadAsText" reads through ReadTextFile, which checks UTF-8
// too. The last line gives both queries' times over the plain read's, all measured in this run.
#include "mirror/store_path.h"
#include "mirror/store_query.h"
#include "state/app_state.h"
#include "util/files.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kNotebooks = 10;
constexpr int kGroupsPerNotebook = 2;
constexpr int kSectionsPerGroup = 50;
constexpr int kSectionsPerNotebook = 100; // besides those in its groups: 200 per notebook in all
constexpr int kPagesPerSection = 100;
constexpr int kReminderSectionEvery = 20; // about 5 % of sections hold one "!" title
constexpr const char* kUserId = "3f2a9c1b7e5d4a60";
constexpr const char* kGraph = "https://graph.microsoft.com/v1.0/users/3f2a9c1b7e5d4a60/onenote/";

struct Store
{
    std::string root;               // temporary folder, removed at exit
    std::vector<std::string> files; // the hierarchy document and every page list
    std::int64_t bytes = 0;
    std::int64_t expectedMatches = 0;
    rz::AppState state;
};

Store* g_Store = nullptr;

std::string Hex(std::mt19937_64& random, int digits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < digits; ++i) {
        out += kDigits[random() % 16];
    }
    return out;
}

std::string Guid(std::mt19937_64& random)
{
    return Hex(random, 8) + "-" + Hex(random, 4) + "-" + Hex(random, 4) + "-" + Hex(random, 4) + "-" +
           Hex(random, 12);
}

std::string Time(std::mt19937_64& random)
{
    char text[32];
    std::snprintf(text, sizeof text, "2024-%02d-%02dT%02d:%02d:%02dZ", static_cast<int>(random() % 12 + 1),
                  static_cast<int>(random() % 28 + 1), static_cast<int>(random() % 24),
                  static_cast<int>(random() % 60), static_cast<int>(random() % 60));
    return text;
}

std::string Identity()
{
    return R"({"user":{"id":")" + std::string(kUserId) + R"(","displayName":"Sam Taylor"}})";
}

const std::vector<std::string> kTitles = {"Meeting notes",
                                          "Ideas",
                                          "Reading list",
                                          "Weekly review",
                                          "Draft",
                                          "Checklist",
                                          "Call summary",
                                          "Budget",
                                          "Open questions",
                                          "Decisions",
                                          "Links",
                                          "Research",
                                          "Outline",
                                          "Feedback",
                                          "Plan",
                                          "Notes from the workshop",
                                          "Follow-ups",
                                          "Agenda",
                                          "Retrospective",
                                          "Brainstorm",
                                          "Café ideas",
                                          "Überblick",
                                          "Quarterly goals",
                                          "Sketches",
                                          "Log",
                                          "Contacts",
                                          "Snippets",
                                          "Lessons learned"};

std::string PageObject(std::mt19937_64& random, const std::string& title, const std::string& sectionId,
                       const std::string& sectionName, const std::string& documentPath, int number)
{
    const std::string id = "0-" + Hex(random, 32) + "!" + std::to_string(number) + "-" + kUserId + "!" +
                           std::to_string(number + 7);
    const std::string created = Time(random);
    return R"({"id":")" + id + R"(","self":")" + kGraph + "pages/" + id + R"(","createdDateTime":")" +
           created + R"(","title":")" + title + R"(","createdByAppId":"","contentUrl":")" + kGraph +
           "pages/" + id + R"(/content","lastModifiedDateTime":")" + Time(random) +
           R"(","links":{"oneNoteClientUrl":{"href":"onenote:https://d.docs.live.net/3f2a9c1b7e5d4a60/Documents/)" +
           documentPath + ".one#" + title + "&section-id={" + Guid(random) + "}&page-id={" + Guid(random) +
           R"(}&end"},"oneNoteWebUrl":{"href":"https://onedrive.live.com/redir.aspx?cid=3f2a9c1b7e5d4a60&page=edit&resid=3F2A9C1B7E5D4A60!)" +
           std::to_string(number) + "&parId=3F2A9C1B7E5D4A60!" + std::to_string(number + 3) +
           R"("}},"parentSection@odata.context":"https://graph.microsoft.com/v1.0/$metadata#users('3f2a9c1b7e5d4a60')/onenote/pages(')" +
           id + R"(')/parentSection(id,displayName,self)/$entity","parentSection":{"id":")" + sectionId +
           R"(","displayName":")" + sectionName + R"(","self":")" + kGraph + "sections/" + sectionId +
           R"("}})";
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

// One section: its folder, its page list, and its entry for the hierarchy document.
std::string MakeSection(Store& store, std::mt19937_64& random, const fs::path& parent,
                        const std::string& parentPath, int index)
{
    const std::string name = (index % 9 == 4 ? "Réunions " : "Project ") + std::to_string(index);
    const std::string id = "0-3F2A9C1B7E5D4A60!" + std::to_string(1000 + index);
    const fs::path folder = parent / rz::StoreFolderName(name);
    fs::create_directories(folder);
    const bool reminderSection = index % kReminderSectionEvery == 7;
    std::string pages =
        R"({"@odata.context":"https://graph.microsoft.com/v1.0/$metadata#users('3f2a9c1b7e5d4a60')/onenote/sections(')" +
        id + R"(')/pages","value":[)";
    const int reminderAt = static_cast<int>(random() % kPagesPerSection);
    for (int p = 0; p < kPagesPerSection; ++p) {
        std::string title = kTitles[random() % kTitles.size()];
        if (random() % 2 == 0) {
            title += " " + std::to_string(p + 1);
        }
        if (reminderSection && p == reminderAt) {
            title = "Call the bank !2024-06-0" + std::to_string(1 + index % 9) + " 10:30";
            ++store.expectedMatches;
        }
        pages += (p == 0 ? "" : ",") + PageObject(random, title, id, name, parentPath + "/" + name, p + 1);
    }
    pages += "]}";
    const std::string file = (folder / "pages.json").string();
    WriteFile(file, pages);
    store.files.push_back(file);
    store.bytes += static_cast<std::int64_t>(pages.size());
    return R"({"id":")" + id + R"(","self":")" + kGraph + "sections/" + id + R"(","createdDateTime":")" +
           Time(random) + R"(","displayName":")" + name + R"(","lastModifiedDateTime":")" + Time(random) +
           R"(","isDefault":false,"pagesUrl":")" + kGraph + "sections/" + id + R"(/pages","createdBy":)" +
           Identity() + R"(,"lastModifiedBy":)" + Identity() +
           R"(,"links":{"oneNoteClientUrl":{"href":"onenote:https://d.docs.live.net/3f2a9c1b7e5d4a60/Documents/)" +
           parentPath + "/" + name + ".one#section-id={" + Guid(random) +
           R"(}&end"},"oneNoteWebUrl":{"href":"https://onedrive.live.com/redir.aspx?cid=3f2a9c1b7e5d4a60&page=edit&resid=3F2A9C1B7E5D4A60!)" +
           std::to_string(1000 + index) + R"("}}})";
}

std::string Container(std::mt19937_64& random, const std::string& kind, const std::string& name, int number,
                      const std::string& groups, const std::string& sections)
{
    const std::string id = "0-3F2A9C1B7E5D4A60!" + std::to_string(number);
    return R"({"id":")" + id + R"(","self":")" + kGraph + kind + "/" + id + R"(","createdDateTime":")" +
           Time(random) + R"(","displayName":")" + name + R"(","lastModifiedDateTime":")" + Time(random) +
           R"(","sectionsUrl":")" + kGraph + kind + "/" + id + R"(/sections","sectionGroupsUrl":")" + kGraph +
           kind + "/" + id + R"(/sectionGroups","createdBy":)" + Identity() + R"(,"lastModifiedBy":)" +
           Identity() + R"(,"sections":[)" + sections + R"(],"sectionGroups":[)" + groups + "]}";
}

void BuildStore(Store& store)
{
    std::string pattern = (fs::temp_directory_path() / "rz-store-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    store.root = pattern;
    store.state.Paths.StoreRootPath = store.root + "/RESTDB";
    store.state.UserId.Set(kUserId);
    const fs::path account = rz::AccountStorePath(store.state.Paths.StoreRootPath, kUserId);
    fs::create_directories(account);

    std::mt19937_64 random(20241208);
    std::string notebooks;
    int section = 0;
    for (int n = 0; n < kNotebooks; ++n) {
        const std::string name = "Notebook " + std::to_string(n + 1);
        const fs::path folder = account / rz::StoreFolderName(name);
        std::string groups;
        for (int g = 0; g < kGroupsPerNotebook; ++g) {
            const std::string groupName = "Archive " + std::to_string(g + 1);
            const fs::path groupFolder = folder / rz::StoreFolderName(groupName);
            std::string sections;
            for (int s = 0; s < kSectionsPerGroup; ++s) {
                sections += (s == 0 ? "" : ",") +
                            MakeSection(store, random, groupFolder, name + "/" + groupName, section++);
            }
            groups += (g == 0 ? "" : ",") +
                      Container(random, "sectionGroups", groupName, 500 + n * 10 + g, "", sections);
        }
        std::string sections;
        for (int s = 0; s < kSectionsPerNotebook; ++s) {
            sections += (s == 0 ? "" : ",") + MakeSection(store, random, folder, name, section++);
        }
        notebooks += (n == 0 ? "" : ",") + Container(random, "notebooks", name, 100 + n, groups, sections);
    }
    const std::string hierarchy =
        R"x({"@odata.context":"https://graph.microsoft.com/v1.0/$metadata#users('3f2a9c1b7e5d4a60')/onenote/notebooks(sections(),sectionGroups(sections(),sectionGroups(sections())))","value":[)x" +
        notebooks + "]}";
    const std::string hierarchyFile = (account / "notebookssections.json").string();
    WriteFile(hierarchyFile, hierarchy);
    store.files.insert(store.files.begin(), hierarchyFile);
    store.bytes += static_cast<std::int64_t>(hierarchy.size());
}

void BM_Read(benchmark::State& state)
{
    for (auto _ : state) {
        std::int64_t bytes = 0;
        for (const std::string& file : g_Store->files) {
            const std::optional<std::string> text = rz::ReadRawFile(file);
            bytes += text ? static_cast<std::int64_t>(text->size()) : 0;
            benchmark::DoNotOptimize(text);
        }
        if (bytes != g_Store->bytes) {
            state.SkipWithError("a file was not read whole");
        }
    }
    state.SetBytesProcessed(state.iterations() * g_Store->bytes);
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// For comparison only: the same files read through ReadTextFile, which also checks UTF-8.
void BM_ReadAsText(benchmark::State& state)
{
    for (auto _ : state) {
        for (const std::string& file : g_Store->files) {
            benchmark::DoNotOptimize(rz::ReadTextFile(file));
        }
    }
    state.SetBytesProcessed(state.iterations() * g_Store->bytes);
}
BENCHMARK(BM_ReadAsText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void RunQuery(benchmark::State& state, bool prefilter, rz::TStoreQueryMemo* memo, bool skipUnchanged = false)
{
    for (auto _ : state) {
        rz::MOneNoteRESTDB query(g_Store->state, memo);
        query.m_SkipUnmatchedPageLists = prefilter;
        query.m_SkipUnchangedPageLists = skipUnchanged;
        query.Run(rz::kQueryPagesByTitle, 1, 0, "!", "");
        if (query.m_Count != g_Store->expectedMatches) {
            state.SkipWithError("the query missed pages");
        }
        benchmark::DoNotOptimize(query.m_ResultStr);
    }
    state.SetBytesProcessed(state.iterations() * g_Store->bytes);
}

// With a memo of the last run, but every page list read again: those that hold a match are
// compared with the last ones read, not parsed again.
void BM_Query(benchmark::State& state)
{
    rz::TStoreQueryMemo memo;
    RunQuery(state, true, &memo);
}
BENCHMARK(BM_Query)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// As the app runs it, every two minutes over a store that did not change since the last run.
void BM_QueryRepeat(benchmark::State& state)
{
    rz::TStoreQueryMemo memo;
    // The last run before the measured ones; a list written within the memo's settling time is
    // read again until it is older, so wait that out when the store is that young.
    for (int attempt = 0; attempt < 6; ++attempt) {
        rz::MOneNoteRESTDB query(g_Store->state, &memo);
        query.Run(rz::kQueryPagesByTitle, 1, 0, "!", "");
        if (attempt == 0) {
            continue;
        }
        if (memo.PageListsRead() == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(rz::TStoreQueryMemo::kSettleSeconds / 2));
    }
    RunQuery(state, true, &memo, true);
    if (memo.PageListsRead() != 0) {
        state.SkipWithError("the repeated query read page lists again");
    }
}
BENCHMARK(BM_QueryRepeat)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The first query of a run: every page list that may hold a match is parsed.
void BM_QueryFirstRun(benchmark::State& state)
{
    RunQuery(state, true, nullptr);
}
BENCHMARK(BM_QueryFirstRun)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_QueryParsingEveryList(benchmark::State& state)
{
    RunQuery(state, false, nullptr);
}
BENCHMARK(BM_QueryParsingEveryList)->Unit(benchmark::kMillisecond)->Iterations(2);

// Keeps the fastest real time per benchmark, so the ratio compares best with best.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            const double time = run.GetAdjustedRealTime();
            const auto it = m_Best.find(name);
            m_Best[name] = it == m_Best.end() ? time : std::min(it->second, time);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double Best(const std::string& name) const
    {
        const auto it = m_Best.find(name);
        return it == m_Best.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_Best;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Store store;
    int status = 0;
    try {
        BuildStore(store);
        g_Store = &store;
        std::printf("store: %zu files, %.1f MB, %lld matching pages\n", store.files.size(),
                    static_cast<double>(store.bytes) / 1e6, static_cast<long long>(store.expectedMatches));
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const double read = reporter.Best("BM_Read");
        const double query = reporter.Best("BM_Query");
        const double repeat = reporter.Best("BM_QueryRepeat");
        const double first = reporter.Best("BM_QueryFirstRun");
        if (read > 0 && first > 0) {
            std::printf("first query/read ratio: %.2f\n", first / read);
        }
        if (read > 0 && query > 0 && repeat > 0) {
            std::printf("query/read ratio: %.2f; repeat/read ratio: %.2f\n", query / read, repeat / read);
        } else {
            std::printf("query/read ratio: not measured\n");
            status = 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "store_query_bench: %s\n", error.what());
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(store.root, ignored);
    benchmark::Shutdown();
    return status;
}
