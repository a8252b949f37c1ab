// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "account.h"
#include "tokens.h"

#include <ctime>
#include <string>
#include <vector>

namespace emu {

// Reads a fixture file into an account and its tokens. Templates in titles and
// content expand against `now`. On failure `error` names the offending place.
bool LoadFixtureFile(const std::string& path, std::time_t now, Account& account, TokenStore& tokens,
                     std::string& error);
bool LoadFixture(const Json& doc, std::time_t now, Account& account, TokenStore& tokens, std::string& error);

// Reads one fixture item (and, for containers, everything below it) into the
// account under `parentId`. Used by the fixture loader and the admin interface.
bool ReadItem(const Json& spec, Kind kind, const std::string& parentId, std::time_t now, Account& account,
              const std::string& where, std::string& error, std::string& id);

// Reads a "paragraphs" array of a page.
bool ReadParagraphs(const Json& spec, std::time_t now, const std::string& where, std::vector<Paragraph>& out,
                    std::string& error);

// Expands the templates of a title or content text, checking its size.
bool ReadText(const Json& value, std::time_t now, const std::string& where, size_t maxSize, std::string& out,
              std::string& error);

} // namespace emu
