// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace rz::test {

// The entity and complex types of Microsoft Graph v1.0 that the agent reads and writes, as the
// emulator's folder describes them (graph-v1.0-types.json, written from Microsoft's metadata).
class GraphTypes
{
public:
    // The description shipped in the emulator's folder; Loaded() false when it cannot be read.
    GraphTypes();
    bool Loaded() const { return m_Description.is_object(); }
    const nlohmann::ordered_json& Description() const { return m_Description; }

    // Where `value` departs from `type` ("notebook", "Collection(onenotePage)", "Edm.String", an
    // enum): a property the type does not have, a value of the wrong kind, a null where none is
    // allowed, a timestamp that is no DateTimeOffset. One line each, naming the path.
    std::vector<std::string> Check(const nlohmann::ordered_json& value, const std::string& type,
                                   const std::string& path = "$") const;
    // As Check for a whole answer: a collection comes as {"value": [...]} with "@odata" members,
    // an object may carry "@odata.context".
    std::vector<std::string> CheckAnswer(const nlohmann::ordered_json& answer, const std::string& type) const;

private:
    nlohmann::ordered_json m_Description;
    void CheckObject(const nlohmann::ordered_json& value, const std::string& type, const std::string& path,
                     std::vector<std::string>& out) const;
};

// Whether `text` is an Edm.DateTimeOffset as OData writes it ("2024-01-02T03:04:05.1234567Z", an
// offset in place of "Z").
bool IsDateTimeOffset(const std::string& text);

} // namespace rz::test
