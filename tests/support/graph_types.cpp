// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph_types.h"

#include <fstream>
#include <regex>

namespace rz::test {

namespace {

using json = nlohmann::ordered_json;

std::string Inner(const std::string& collection)
{
    return collection.substr(11, collection.size() - 12);
}

} // namespace

bool IsDateTimeOffset(const std::string& text)
{
    static const std::regex kTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d(:\d\d(\.\d{1,7})?)?(Z|[+-]\d\d:\d\d))");
    return std::regex_match(text, kTime);
}

GraphTypes::GraphTypes()
{
    std::ifstream in(RZ_GRAPH_TYPES_FILE);
    m_Description = json::parse(in, nullptr, false);
    if (m_Description.is_discarded() || !m_Description.contains("types")) {
        m_Description = nullptr;
    }
}

std::vector<std::string> GraphTypes::Check(const json& value, const std::string& type,
                                           const std::string& path) const
{
    std::vector<std::string> out;
    const auto wrong = [&](const char* kind) {
        out.push_back(path + ": " + value.dump().substr(0, 60) + " is no " + kind + " (" + type + ")");
    };
    if (type.starts_with("Collection(")) {
        if (!value.is_array()) {
            wrong("array");
            return out;
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            const auto more = Check(value[i], Inner(type), path + "[" + std::to_string(i) + "]");
            out.insert(out.end(), more.begin(), more.end());
        }
        return out;
    }
    if (type == "Edm.String" || type == "Edm.Guid" || type == "Edm.Binary") {
        if (!value.is_string()) {
            wrong("string");
        }
    } else if (type == "Edm.Boolean") {
        if (!value.is_boolean()) {
            wrong("Boolean");
        }
    } else if (type == "Edm.Int32" || type == "Edm.Int64") {
        if (!value.is_number_integer()) {
            wrong("integer");
        }
    } else if (type == "Edm.Double") {
        if (!value.is_number()) {
            wrong("number");
        }
    } else if (type == "Edm.Date") {
        static const std::regex kDate(R"(\d{4}-\d\d-\d\d)");
        if (!value.is_string() || !std::regex_match(value.get<std::string>(), kDate)) {
            wrong("Date");
        }
    } else if (type == "Edm.DateTimeOffset") {
        if (!value.is_string() || !IsDateTimeOffset(value.get<std::string>())) {
            wrong("DateTimeOffset");
        }
    } else if (const json& enums = m_Description["enums"]; enums.contains(type)) {
        const json& members = enums[type];
        if (!value.is_string() || std::find(members.begin(), members.end(), value) == members.end()) {
            wrong("member of the enumeration");
        }
    } else if (m_Description["types"].contains(type)) {
        CheckObject(value, type, path, out);
    } else if (!type.starts_with("Edm.") && !value.is_object()) {
        // A type the description leaves out (the user's licences, say): an object, not looked into.
        wrong("object");
    }
    return out;
}

void GraphTypes::CheckObject(const json& value, const std::string& type, const std::string& path,
                             std::vector<std::string>& out) const
{
    if (!value.is_object()) {
        out.push_back(path + ": no object (" + type + ")");
        return;
    }
    const json& described = m_Description["types"][type];
    const json& properties = described["properties"];
    const json navigation = described.value("navigation", json::object());
    const bool open = described.value("open", false);
    for (const auto& [key, member] : value.items()) {
        const std::string at = path + "." + key;
        const std::size_t annotation = key.find('@');
        if (annotation != std::string::npos) {
            // "@odata.context", or "sections@odata.context" about a member of the type.
            const std::string of = key.substr(0, annotation);
            if (!of.empty() && !properties.contains(of) && !navigation.contains(of) && !open) {
                out.push_back(at + ": annotates no member of " + type);
            }
            continue;
        }
        if (properties.contains(key)) {
            const json& property = properties[key];
            if (member.is_null()) {
                if (!property["nullable"].get<bool>()) {
                    out.push_back(at + ": null, which " + type + "." + key + " may not be");
                }
                continue;
            }
            const auto more = Check(member, property["kind"].get<std::string>(), at);
            out.insert(out.end(), more.begin(), more.end());
        } else if (navigation.contains(key)) {
            const auto more = Check(member, navigation[key].get<std::string>(), at);
            out.insert(out.end(), more.begin(), more.end());
        } else if (!open) {
            out.push_back(at + ": not a property of " + type);
        }
    }
}

std::vector<std::string> GraphTypes::CheckAnswer(const json& answer, const std::string& type) const
{
    if (!type.starts_with("Collection(")) {
        return Check(answer, type);
    }
    std::vector<std::string> out;
    if (!answer.is_object() || !answer.contains("value")) {
        out.push_back("$: no collection answer");
        return out;
    }
    for (const auto& [key, member] : answer.items()) {
        if (key == "value") {
            out = Check(member, type, "$.value");
        } else if (!key.starts_with("@odata.")) {
            out.push_back("$." + key + ": not part of a collection answer");
        } else if (!member.is_string() && key != "@odata.count") {
            out.push_back("$." + key + ": no string");
        }
    }
    return out;
}

} // namespace rz::test
