// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mirror/section_choices.h"
#include "mirror/shared_notebook_mirror.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Ui {
class WinPreferences;
}

namespace rz {

struct TPreferences;

// The Preferences window. Every change is stored in the settings file at once and handed to the
// controller, which applies it; the application id, once it has the right form, is stored for the
// next sign-in. Made afresh for each showing.
class WinPreferences : public QDialog
{
    Q_OBJECT
public:
    struct Hooks
    {
        // After each stored change, with the preferences now in the file.
        std::function<void(const TPreferences&)> Changed;
        std::function<void(bool)> StartAtLogin;
        // Plays the chosen sound (an empty file: the built-in one).
        std::function<void(const std::string& file, bool theme)> TestSound;
    };

    WinPreferences(std::string settingsFilePath, std::vector<TSectionChoice> sections, bool startAtLogin,
                   const std::string& readmeAddress, Hooks hooks, QWidget* parent = nullptr);
    ~WinPreferences() override;

    Ui::WinPreferences& Form() { return *m_Ui; }

    // The notebooks to watch: a check box each, and "Add a shared notebook…".
    struct NotebookHooks
    {
        // The user checked (true) or unchecked a notebook.
        std::function<void(const std::string& notebookId, bool watched)> Watch;
        // Looks a pasted address up and returns what became of it (the window waits, busy).
        std::function<TSharedResolve(const std::string& address)> Resolve;
        // The user confirmed a notebook found by its address.
        std::function<void(const TSharedNotebook&)> Add;
    };
    void SetNotebooks(const std::vector<TNotebookChoice>& notebooks, const std::set<std::string>& unwatched,
                      NotebookHooks hooks);
    // Asks for an address, looks it up and, once the user confirms name and owner, adds it.
    void AddSharedNotebook();
    // The account's "Also remind me on my phone" box: shown checked when `on`, usable only while an
    // account is signed in; `toggled` gets each change the user makes and says whether it stands.
    void SetPhone(bool signedIn, bool on, std::function<bool(bool on)> toggled);

private:
    void Store();
    void ChooseSound();
    void UpdateEnabled();
    void AddNotebookItem(const TNotebookChoice& notebook, bool watched);

    std::unique_ptr<Ui::WinPreferences> m_Ui;
    std::string m_SettingsFilePath;
    Hooks m_Hooks;
    NotebookHooks m_NotebookHooks;
    std::function<bool(bool)> m_PhoneToggled;
    bool m_Loading = true;
};

} // namespace rz
