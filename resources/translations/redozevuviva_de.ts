<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MWinAbout</name>
    <message>
        <source>About RedoZevuviva</source>
        <translation>Über RedoZevuviva</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Reminders from the pages of your OneNote notebooks, right on your desktop.</source>
        <translation>Erinnerungen aus den Seiten Ihrer OneNote-Notizbücher, direkt auf Ihrem Desktop.</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Email support</source>
        <translation>Support per E-Mail</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>MWinHelp</name>
    <message>
        <source>Help — RedoZevuviva</source>
        <translation>Hilfe — RedoZevuviva</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Signing in with your own application id&lt;/h3&gt;
&lt;p&gt;RedoZevuviva signs in with a built-in application id. To sign in with an application registered for yourself:&lt;/p&gt;
&lt;ol&gt;
&lt;li&gt;In the Microsoft Entra admin center, open App registrations, New registration, and choose personal Microsoft accounts (alone, or together with any organizational directory).&lt;/li&gt;
&lt;li&gt;Under Authentication add the platform &lt;b&gt;Mobile and desktop applications&lt;/b&gt; with the redirect URI &lt;tt&gt;https://login.live.com/oauth20_desktop.srf&lt;/tt&gt;, and allow public client flows.&lt;/li&gt;
&lt;li&gt;Under API permissions add the Microsoft Graph delegated permissions &lt;tt&gt;User.Read&lt;/tt&gt;, &lt;tt&gt;Notes.Create&lt;/tt&gt;, &lt;tt&gt;Notes.ReadWrite&lt;/tt&gt;, &lt;tt&gt;Notes.ReadWrite.All&lt;/tt&gt; and &lt;tt&gt;offline_access&lt;/tt&gt;.&lt;/li&gt;
&lt;li&gt;For reminders on the phone (Microsoft To Do) add &lt;tt&gt;Tasks.ReadWrite&lt;/tt&gt; as well.&lt;/li&gt;
&lt;li&gt;Enter the application (client) id in Preferences, then choose Sign Out and Sign In.&lt;/li&gt;
&lt;/ol&gt;
&lt;p&gt;When Microsoft refuses the sign-in, the sign-in window says why and what to check. The same steps are in the manual page: &lt;tt&gt;man redozevuviva&lt;/tt&gt;.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Mit einer eigenen Anwendungs-ID anmelden&lt;/h3&gt;
&lt;p&gt;RedoZevuviva meldet sich mit einer eingebauten Anwendungs-ID an. Um sich mit einer für Sie selbst registrierten Anwendung anzumelden:&lt;/p&gt;
&lt;ol&gt;
&lt;li&gt;Öffnen Sie im Microsoft Entra Admin Center „App-Registrierungen“, „Neue Registrierung“, und wählen Sie persönliche Microsoft-Konten (allein oder zusammen mit beliebigen Organisationsverzeichnissen).&lt;/li&gt;
&lt;li&gt;Fügen Sie unter „Authentifizierung“ die Plattform &lt;b&gt;Mobile und Desktopanwendungen&lt;/b&gt; mit dem Umleitungs-URI &lt;tt&gt;https://login.live.com/oauth20_desktop.srf&lt;/tt&gt; hinzu und erlauben Sie öffentliche Clientflows.&lt;/li&gt;
&lt;li&gt;Fügen Sie unter „API-Berechtigungen“ die delegierten Microsoft-Graph-Berechtigungen &lt;tt&gt;User.Read&lt;/tt&gt;, &lt;tt&gt;Notes.Create&lt;/tt&gt;, &lt;tt&gt;Notes.ReadWrite&lt;/tt&gt;, &lt;tt&gt;Notes.ReadWrite.All&lt;/tt&gt; und &lt;tt&gt;offline_access&lt;/tt&gt; hinzu.&lt;/li&gt;
&lt;li&gt;Für Erinnerungen auf dem Telefon (Microsoft To Do) fügen Sie auch &lt;tt&gt;Tasks.ReadWrite&lt;/tt&gt; hinzu.&lt;/li&gt;
&lt;li&gt;Geben Sie die Anwendungs-ID (Client-ID) in den Einstellungen ein und wählen Sie dann „Abmelden und neu anmelden“.&lt;/li&gt;
&lt;/ol&gt;
&lt;p&gt;Lehnt Microsoft die Anmeldung ab, nennt das Anmeldefenster den Grund und was zu prüfen ist. Dieselben Schritte stehen in der Handbuchseite: &lt;tt&gt;man redozevuviva&lt;/tt&gt;.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>MWinLogin</name>
    <message>
        <source>Sign In to Your Microsoft Account</source>
        <translation>Beim Microsoft-Konto anmelden</translation>
    </message>
    <message>
        <source>The sign-in page can&apos;t be reached</source>
        <translation>Die Anmeldeseite ist nicht erreichbar</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>MWinMonitor</name>
    <message>
        <source>Status — RedoZevuviva</source>
        <translation>Status — RedoZevuviva</translation>
    </message>
    <message>
        <source>Account:</source>
        <translation>Konto:</translation>
    </message>
    <message>
        <source>Notebooks:</source>
        <translation>Notizbücher:</translation>
    </message>
    <message>
        <source>Not checked yet</source>
        <translation>Noch nicht geprüft</translation>
    </message>
    <message>
        <source>Reminder pages:</source>
        <translation>Erinnerungsseiten:</translation>
    </message>
    <message>
        <source>Last page read:</source>
        <translation>Zuletzt gelesene Seite:</translation>
    </message>
    <message>
        <source>None yet</source>
        <translation>Noch keine</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>&amp;Titles and tags that look like reminders but cannot be read:</source>
        <translation>&amp;Titel und Tags, die wie Erinnerungen aussehen, aber nicht lesbar sind:</translation>
    </message>
    <message>
        <source>Titles and tags that cannot be read</source>
        <translation>Nicht lesbare Titel und Tags</translation>
    </message>
    <message>
        <source>Each row: the text, why it does not ring as written, and where it is. Enter or a double click opens the page.</source>
        <translation>Jede Zeile: der Text, warum er nicht wie geschrieben klingelt, und wo er steht. Eingabe oder ein Doppelklick öffnet die Seite.</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>Warum</translation>
    </message>
    <message>
        <source>Where</source>
        <translation>Wo</translation>
    </message>
</context>
<context>
    <name>MWinPendingReminders</name>
    <message>
        <source>Reminders Due — RedoZevuviva</source>
        <translation>Fällige Erinnerungen — RedoZevuviva</translation>
    </message>
    <message>
        <source>These reminders are due</source>
        <translation>Diese Erinnerungen sind fällig</translation>
    </message>
    <message>
        <source>Open the selected reminder&apos;s page</source>
        <translation>Die Seite der ausgewählten Erinnerung öffnen</translation>
    </message>
    <message>
        <source>&amp;Open Page</source>
        <translation>Seite ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Remove the selected reminder from this list</source>
        <translation>Die ausgewählte Erinnerung aus dieser Liste entfernen</translation>
    </message>
    <message>
        <source>&amp;Dismiss</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <source>Remove every reminder from this list and close the window</source>
        <translation>Alle Erinnerungen aus dieser Liste entfernen und das Fenster schließen</translation>
    </message>
    <message>
        <source>Dismiss &amp;All</source>
        <translation>&amp;Alle verwerfen</translation>
    </message>
    <message>
        <source>Snooze &amp;for</source>
        <translation>Erneut erinnern &amp;in</translation>
    </message>
    <message>
        <source>A number and a unit, such as &quot;20 minutes&quot;, &quot;3 hours&quot; or &quot;2 days&quot;</source>
        <translation>Eine Zahl und eine englische Einheit, etwa „20 minutes“, „3 hours“ oder „2 days“</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <translation>5 minutes</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <translation>10 minutes</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 minutes</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 minutes</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 hour</translation>
    </message>
    <message>
        <source>2 hours</source>
        <translation>2 hours</translation>
    </message>
    <message>
        <source>1 day</source>
        <translation>1 day</translation>
    </message>
    <message>
        <source>Close the window and show it again after the chosen time</source>
        <translation>Das Fenster schließen und nach der gewählten Zeit wieder zeigen</translation>
    </message>
    <message>
        <source>&amp;Snooze</source>
        <translation>&amp;Später erinnern</translation>
    </message>
    <message>
        <source>Tick the selected to-do in OneNote and remove it from this list</source>
        <translation>Die ausgewählte Aufgabe in OneNote abhaken und aus dieser Liste entfernen</translation>
    </message>
    <message>
        <source>Do&amp;ne</source>
        <translation>&amp;Erledigt</translation>
    </message>
    <message>
        <source>Show the selected reminder again later; the others stay</source>
        <translation>Die ausgewählte Erinnerung später erneut zeigen; die anderen bleiben</translation>
    </message>
    <message>
        <source>Snooze &amp;This</source>
        <translation>&amp;Diese später</translation>
    </message>
    <message>
        <source>Due reminders</source>
        <translation>Fällige Erinnerungen</translation>
    </message>
    <message>
        <source>The reminders that came due. Dismiss, open, snooze or mark done the selected one with the buttons below.</source>
        <translation>Die fällig gewordenen Erinnerungen. Mit den Schaltflächen darunter wird die gewählte verworfen, geöffnet, verschoben oder erledigt.</translation>
    </message>
    <message>
        <source>Snooze for</source>
        <translation>Verschieben um</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Coming Reminders — RedoZevuviva</source>
        <translation>Anstehende Erinnerungen — RedoZevuviva</translation>
    </message>
    <message>
        <source>Coming reminders</source>
        <translation>Anstehende Erinnerungen</translation>
    </message>
    <message>
        <source>Loading reminders…</source>
        <translation>Erinnerungen werden geladen …</translation>
    </message>
    <message>
        <source>&amp;Reminders</source>
        <translation>&amp;Erinnerungen</translation>
    </message>
    <message>
        <source>&amp;Account</source>
        <translation>&amp;Konto</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>E&amp;instellungen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Coming Reminders</source>
        <translation>&amp;Anstehende Erinnerungen</translation>
    </message>
    <message>
        <source>&amp;Due Reminders</source>
        <translation>&amp;Fällige Erinnerungen</translation>
    </message>
    <message>
        <source>S&amp;tatus</source>
        <translation>S&amp;tatus</translation>
    </message>
    <message>
        <source>&amp;Refresh Now</source>
        <translation>&amp;Jetzt aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Sign Out and Sign In…</source>
        <translation>A&amp;bmelden und neu anmelden …</translation>
    </message>
    <message>
        <source>Start at &amp;Login</source>
        <translation>Beim Anmelden &amp;starten</translation>
    </message>
    <message>
        <source>&amp;About RedoZevuviva</source>
        <translation>&amp;Über RedoZevuviva</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>&amp;New Reminder…</source>
        <translation>&amp;Neue Erinnerung …</translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation>E&amp;instellungen …</translation>
    </message>
    <message>
        <source>Filter reminders</source>
        <translation>Erinnerungen filtern</translation>
    </message>
    <message>
        <source>RedoZevuviva &amp;Help</source>
        <translation>&amp;Hilfe zu RedoZevuviva</translation>
    </message>
    <message>
        <source>Opens the status window, which lists them and says why each does not ring as written.</source>
        <translation>Öffnet das Statusfenster, das sie auflistet und sagt, warum jeder nicht wie geschrieben klingelt.</translation>
    </message>
    <message>
        <source>Every reminder to come, soonest first. Enter or a click opens the reminder&apos;s page.</source>
        <translation>Alle anstehenden Erinnerungen, die nächste zuerst. Eingabe oder ein Klick öffnet die Seite der Erinnerung.</translation>
    </message>
</context>
<context>
    <name>StringsTable</name>
    <message>
        <source>About RedoZevuviva</source>
        <comment>strAboutWindowTitle</comment>
        <translation>Über RedoZevuviva</translation>
    </message>
    <message>
        <source>Check start:</source>
        <comment>strCheckStart</comment>
        <translation>Prüfung begonnen:</translation>
    </message>
    <message>
        <source>Checked</source>
        <comment>strChecked</comment>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Checking</source>
        <comment>strChecking</comment>
        <translation>Wird geprüft</translation>
    </message>
    <message>
        <source>Reminder</source>
        <comment>strColumnTask</comment>
        <translation>Erinnerung</translation>
    </message>
    <message>
        <source>Due</source>
        <comment>strColumnTime</comment>
        <translation>Fällig</translation>
    </message>
    <message>
        <source>Signed in</source>
        <comment>strLoggedIn</comment>
        <translation>Angemeldet</translation>
    </message>
    <message>
        <source>Signed out</source>
        <comment>strLoggedOut</comment>
        <translation>Abgemeldet</translation>
    </message>
    <message>
        <source>Waiting for the keyring…</source>
        <comment>strWaitingForKeyring</comment>
        <translation>Warten auf den Schlüsselbund…</translation>
    </message>
    <message>
        <source>The keyring did not answer: sign in, or start again to ask it once more</source>
        <comment>strKeyringFailed</comment>
        <translation>Der Schlüsselbund hat nicht geantwortet: melden Sie sich an oder starten Sie neu, um ihn noch einmal zu fragen</translation>
    </message>
    <message>
        <source>Connecting to the sign-in page…</source>
        <comment>strLoginConnecting</comment>
        <translation>Verbindung zur Anmeldeseite wird hergestellt …</translation>
    </message>
    <message>
        <source>Finishing sign-in…</source>
        <comment>strLoginFinishing</comment>
        <translation>Anmeldung wird abgeschlossen …</translation>
    </message>
    <message>
        <source>Try Again</source>
        <comment>strLoginRetry</comment>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>RedoZevuviva could not connect to %1. Check the internet connection, then try again.</source>
        <comment>strLoginUnreachableText</comment>
        <translation>RedoZevuviva konnte keine Verbindung zu %1 herstellen. Prüfen Sie die Internetverbindung und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The sign-in page can&apos;t be reached</source>
        <comment>strLoginUnreachableTitle</comment>
        <translation>Die Anmeldeseite ist nicht erreichbar</translation>
    </message>
    <message>
        <source>Sign In to Your Microsoft Account</source>
        <comment>strLoginWindowTitle</comment>
        <translation>Beim Microsoft-Konto anmelden</translation>
    </message>
    <message>
        <source>Coming Reminders</source>
        <comment>strMainWindowTitle</comment>
        <translation>Anstehende Erinnerungen</translation>
    </message>
    <message>
        <source>About RedoZevuviva</source>
        <comment>strMenuAbout</comment>
        <translation>Über RedoZevuviva</translation>
    </message>
    <message>
        <source>Sign Out and Sign In…</source>
        <comment>strMenuLogin</comment>
        <translation>Abmelden und neu anmelden …</translation>
    </message>
    <message>
        <source>Due Reminders</source>
        <comment>strMenuPendingReminders</comment>
        <translation>Fällige Erinnerungen</translation>
    </message>
    <message>
        <source>Quit</source>
        <comment>strMenuQuit</comment>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Refresh Now</source>
        <comment>strMenuRefresh</comment>
        <translation>Jetzt aktualisieren</translation>
    </message>
    <message>
        <source>Coming Reminders</source>
        <comment>strMenuShowReminders</comment>
        <translation>Anstehende Erinnerungen</translation>
    </message>
    <message>
        <source>Start at Login</source>
        <comment>strMenuStartAtLogin</comment>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Status</source>
        <comment>strMenuStatus</comment>
        <translation>Status</translation>
    </message>
    <message>
        <source>RedoZevuviva Status</source>
        <comment>strMonitorWindowTitle</comment>
        <translation>RedoZevuviva-Status</translation>
    </message>
    <message>
        <source>Show</source>
        <comment>strNotificationOpen</comment>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Reminder due</source>
        <comment>strNotificationTitle</comment>
        <translation>Erinnerung fällig</translation>
    </message>
    <message>
        <source>%1 reminders due</source>
        <comment>strNotificationTitleMany</comment>
        <translation>%1 Erinnerungen fällig</translation>
    </message>
    <message>
        <source>Reminders Due</source>
        <comment>strPendingWindowTitle</comment>
        <translation>Fällige Erinnerungen</translation>
    </message>
    <message>
        <source>Version</source>
        <comment>strVersion</comment>
        <translation>Version</translation>
    </message>
    <message>
        <source>Done</source>
        <comment>strNotificationDone</comment>
        <translation>Erledigt</translation>
    </message>
    <message>
        <source>Open</source>
        <comment>strNotificationOpenPage</comment>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Snooze 15 min</source>
        <comment>strNotificationSnooze15</comment>
        <translation>In 15 Min. erneut</translation>
    </message>
    <message>
        <source>For 15 Minutes</source>
        <comment>strSnoozeOne15Minutes</comment>
        <translation>Für 15 Minuten</translation>
    </message>
    <message>
        <source>For 1 Hour</source>
        <comment>strSnoozeOne1Hour</comment>
        <translation>Für 1 Stunde</translation>
    </message>
    <message>
        <source>For 5 Minutes</source>
        <comment>strSnoozeOne5Minutes</comment>
        <translation>Für 5 Minuten</translation>
    </message>
    <message>
        <source>Until Tomorrow, Same Time</source>
        <comment>strSnoozeOneTomorrow</comment>
        <translation>Bis morgen, gleiche Zeit</translation>
    </message>
    <message>
        <source>The last try failed, trying again: %1</source>
        <comment>strToDoProblem</comment>
        <translation>Der letzte Versuch ist fehlgeschlagen, neuer Versuch folgt: %1</translation>
    </message>
    <message>
        <source>%1 to-do waiting to be ticked in OneNote.</source>
        <comment>strToDoWaiting</comment>
        <translation>%1 Aufgabe wartet darauf, in OneNote abgehakt zu werden.</translation>
    </message>
    <message>
        <source>%1 to-dos waiting to be ticked in OneNote.</source>
        <comment>strToDoWaitingMany</comment>
        <translation>%1 Aufgaben warten darauf, in OneNote abgehakt zu werden.</translation>
    </message>
    <message>
        <source>“%1”: %2</source>
        <comment>strOutboxItemDetail</comment>
        <translation>„%1“: %2</translation>
    </message>
    <message>
        <source>OneNote could not be reached</source>
        <comment>strOutboxUnreachable</comment>
        <translation>OneNote war nicht erreichbar</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: its page is gone.</source>
        <comment>strOutboxPageGone</comment>
        <translation>„%1“ wurde in OneNote nicht geändert: Die Seite gibt es nicht mehr.</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: this account may not write there (%2).</source>
        <comment>strOutboxReadOnly</comment>
        <translation>„%1“ wurde in OneNote nicht geändert: Dieses Konto darf dort nicht schreiben (%2).</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: the service refused it (%2).</source>
        <comment>strOutboxRefused</comment>
        <translation>„%1“ wurde in OneNote nicht geändert: Der Dienst hat die Änderung abgelehnt (%2).</translation>
    </message>
    <message>
        <source>Microsoft To Do could not be reached</source>
        <comment>strPhoneUnreachable</comment>
        <translation>Microsoft To Do war nicht erreichbar</translation>
    </message>
    <message>
        <source>“%1” was not changed in Microsoft To Do: the service refused it (%2).</source>
        <comment>strPhoneRefused</comment>
        <translation>„%1“ wurde in Microsoft To Do nicht geändert: Der Dienst hat die Änderung abgelehnt (%2).</translation>
    </message>
    <message>
        <source>OneNote reminders</source>
        <comment>strPhoneListName</comment>
        <translation>OneNote-Erinnerungen</translation>
    </message>
    <message>
        <source>Reminders on the phone</source>
        <comment>strPhoneOffTitle</comment>
        <translation>Erinnerungen auf dem Telefon</translation>
    </message>
    <message>
        <source>Nothing more goes to Microsoft To Do. Remove the list “%1” and its tasks from To Do as well?</source>
        <comment>strPhoneOffRemoveList</comment>
        <translation>Es geht nichts mehr an Microsoft To Do. Die Liste „%1“ mit ihren Aufgaben auch aus To Do entfernen?</translation>
    </message>
    <message>
        <source>Remove the list</source>
        <comment>strPhoneRemoveList</comment>
        <translation>Liste entfernen</translation>
    </message>
    <message>
        <source>Keep the list</source>
        <comment>strPhoneKeepList</comment>
        <translation>Liste behalten</translation>
    </message>
    <message>
        <source>Reminders on the phone: off.</source>
        <comment>strPhoneStatusOff</comment>
        <translation>Erinnerungen auf dem Telefon: aus.</translation>
    </message>
    <message>
        <source>Reminders on the phone: on; last sync %1; tasks kept: %2; writes waiting: %3.</source>
        <comment>strPhoneStatusOn</comment>
        <translation>Erinnerungen auf dem Telefon: an; zuletzt abgeglichen %1; Aufgaben: %2; wartende Änderungen: %3.</translation>
    </message>
    <message>
        <source>not yet</source>
        <comment>strPhoneNotYet</comment>
        <translation>noch nicht</translation>
    </message>
    <message>
        <source>“%1” was not sent to OneNote: it belongs to the account signed in before.</source>
        <comment>strOutboxOtherAccount</comment>
        <translation>„%1“ wurde nicht an OneNote gesendet: Es gehört zu dem Konto, das vorher angemeldet war.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: it is no longer on its page.</source>
        <comment>strOutboxNotFound</comment>
        <translation>„%1“ wurde nicht abgehakt: Die Aufgabe steht nicht mehr auf ihrer Seite.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: its page holds more than one open to-do with this text. Tick it in OneNote.</source>
        <comment>strOutboxAmbiguous</comment>
        <translation>„%1“ wurde nicht abgehakt: Die Seite enthält mehrere offene Aufgaben mit diesem Text. Haken Sie sie in OneNote ab.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: it holds a picture, a file or an embedded object, which cannot be sent back. Tick it in OneNote.</source>
        <comment>strOutboxEmbedded</comment>
        <translation>„%1“ wurde nicht abgehakt: Sie enthält ein Bild, eine Datei oder ein eingebettetes Objekt, das nicht zurückgesendet werden kann. Haken Sie sie in OneNote ab.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: it could not be changed without touching the rest of the note. Tick it in OneNote.</source>
        <comment>strOutboxUnsafe</comment>
        <translation>„%1“ wurde nicht abgehakt: Sie ließ sich nicht ändern, ohne den Rest der Notiz zu berühren. Haken Sie sie in OneNote ab.</translation>
    </message>
    <message>
        <source>This account has too many sections to be searched as a whole; reminders appear as its sections are mirrored.</source>
        <comment>strTooManySections</comment>
        <translation>Dieses Konto hat zu viele Abschnitte, um als Ganzes durchsucht zu werden; Erinnerungen erscheinen, sobald seine Abschnitte gespiegelt sind.</translation>
    </message>
    <message>
        <source>%1 sections still to mirror.</source>
        <comment>strSectionsToMirror</comment>
        <translation>%1 Abschnitte noch zu spiegeln.</translation>
    </message>
    <message>
        <source>Sections failing, retried later: %1</source>
        <comment>strSectionsFailing</comment>
        <translation>Fehlerhafte Abschnitte, später erneut versucht: %1</translation>
    </message>
    <message>
        <source>(late) </source>
        <comment>strLateMarker</comment>
        <translation>(verspätet) </translation>
    </message>
    <message>
        <source>Reminder from a page title</source>
        <comment>strKindPage</comment>
        <translation>Erinnerung aus einem Seitentitel</translation>
    </message>
    <message>
        <source>Reminder from a to-do tag</source>
        <comment>strKindTag</comment>
        <translation>Erinnerung aus einem Aufgaben-Tag</translation>
    </message>
    <message>
        <source>%1, due %2, once</source>
        <comment>strRowOnce</comment>
        <translation>%1, fällig am %2, einmalig</translation>
    </message>
    <message>
        <source>%1, due %2, repeats</source>
        <comment>strRowRepeats</comment>
        <translation>%1, fällig am %2, wiederkehrend</translation>
    </message>
    <message>
        <source>d MMMM yyyy HH:mm</source>
        <comment>strSpokenDateTimeFormat</comment>
        <translation>d. MMMM yyyy HH:mm</translation>
    </message>
    <message>
        <source>Once</source>
        <comment>strStateOnce</comment>
        <translation>Einmalig</translation>
    </message>
    <message>
        <source>Repeats</source>
        <comment>strStateRepeats</comment>
        <translation>Wiederkehrend</translation>
    </message>
    <message>
        <source>Snoozed until %2: %1</source>
        <comment>strSnoozedUntil</comment>
        <translation>Schlummert bis %2: %1</translation>
    </message>
    <message>
        <source>Cancel Snooze</source>
        <comment>strCancelSnooze</comment>
        <translation>Schlummern beenden</translation>
    </message>
    <message>
        <source>No account is signed in. Sign in first.</source>
        <comment>strAddNoAccount</comment>
        <translation>Es ist kein Konto angemeldet. Melden Sie sich zuerst an.</translation>
    </message>
    <message>
        <source>The agent did not answer.</source>
        <comment>strAddNoAgent</comment>
        <translation>Der Agent hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>No agent was started: the lock file %1 cannot be opened (%2).</source>
        <comment>strAddNoLock</comment>
        <translation>Kein Agent wurde gestartet: Die Sperrdatei %1 lässt sich nicht öffnen (%2).</translation>
    </message>
    <message>
        <source>No section is chosen for new reminders. Choose one in Preferences or in the New Reminder window.</source>
        <comment>strAddNoSection</comment>
        <translation>Für neue Erinnerungen ist kein Abschnitt gewählt. Wählen Sie einen in den Einstellungen oder im Fenster „Neue Erinnerung“.</translation>
    </message>
    <message>
        <source>The text makes no reminder. Write it as the page titles do, e.g. &quot;Call Bob !2026-12-10 09:00&quot; or &quot;Standup !! 09:15 [1,2,3,4,5]&quot;.</source>
        <comment>strAddNotAReminder</comment>
        <translation>Der Text ergibt keine Erinnerung. Schreiben Sie ihn wie die Seitentitel, z. B. „Call Bob !2026-12-10 09:00“ oder „Standup !! 09:15 [1,2,3,4,5]“.</translation>
    </message>
    <message>
        <source>The reminder could not be saved in the data folder.</source>
        <comment>strAddNotSaved</comment>
        <translation>Die Erinnerung konnte nicht im Datenordner gespeichert werden.</translation>
    </message>
    <message>
        <source>the change could not be recorded in the data folder</source>
        <comment>strOutboxNotSaved</comment>
        <translation>die Änderung konnte nicht im Datenordner festgehalten werden</translation>
    </message>
    <message>
        <source>“%1” was not ticked: its page holds more than one element with its id. Tick it in OneNote.</source>
        <comment>strOutboxSameId</comment>
        <translation>„%1“ wurde nicht abgehakt: Die Seite enthält mehrere Elemente mit seiner Kennung. Haken Sie es in OneNote ab.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: items below it carry tags of their own, which OneNote would take from them. Tick it in OneNote.</source>
        <comment>strOutboxSubItems</comment>
        <translation>„%1“ wurde nicht abgehakt: Einträge darunter tragen eigene Tags, die OneNote ihnen nehmen würde. Haken Sie es in OneNote ab.</translation>
    </message>
    <message>
        <source>“%1” was not sent to OneNote: this version does not know this kind of change.</source>
        <comment>strOutboxUnknownKind</comment>
        <translation>„%1“ wurde nicht an OneNote gesendet: Diese Version kennt diese Art von Änderung nicht.</translation>
    </message>
    <message>
        <source>No account is signed in: sign in to tick to-dos in OneNote.</source>
        <comment>strDoneNoAccount</comment>
        <translation>Kein Konto ist angemeldet: Melden Sie sich an, um Aufgaben in OneNote abzuhaken.</translation>
    </message>
    <message>
        <source>Too many changes are waiting for OneNote: this to-do was not queued and stays here. Try again once they are sent.</source>
        <comment>strDoneTooLarge</comment>
        <translation>Zu viele Änderungen warten auf OneNote: Diese Aufgabe wurde nicht vorgemerkt und bleibt hier. Versuchen Sie es erneut, sobald sie gesendet sind.</translation>
    </message>
    <message>
        <source>The tick could not be saved in the data folder: this to-do stays here. Try Done again.</source>
        <comment>strDoneNotSaved</comment>
        <translation>Das Abhaken konnte nicht im Datenordner gespeichert werden: Diese Aufgabe bleibt hier. Versuchen Sie „Erledigt“ erneut.</translation>
    </message>
    <message>
        <source>%1 new page waiting to be created in OneNote.</source>
        <comment>strPageWaiting</comment>
        <translation>%1 neue Seite wartet darauf, in OneNote angelegt zu werden.</translation>
    </message>
    <message>
        <source>%1 new pages waiting to be created in OneNote.</source>
        <comment>strPageWaitingMany</comment>
        <translation>%1 neue Seiten warten darauf, in OneNote angelegt zu werden.</translation>
    </message>
    <message>
        <source>Not changed in OneNote</source>
        <comment>strOutboxNotSentTitle</comment>
        <translation>In OneNote nicht geändert</translation>
    </message>
    <message>
        <source>Too many changes are waiting for OneNote: the reminder was not queued. Try again once they are sent.</source>
        <comment>strAddTooLarge</comment>
        <translation>Zu viele Änderungen warten auf OneNote: Die Erinnerung wurde nicht vorgemerkt. Versuchen Sie es erneut, sobald sie gesendet sind.</translation>
    </message>
    <message>
        <source>The text is too long: keep the title under 1,000 characters.</source>
        <comment>strNewReminderTooLong</comment>
        <translation>Der Text ist zu lang: Der Titel darf höchstens 1.000 Zeichen haben.</translation>
    </message>
    <message>
        <source>Queued “%1” for the section %2.</source>
        <comment>strAddQueued</comment>
        <translation>„%1“ für den Abschnitt %2 vorgemerkt.</translation>
    </message>
    <message>
        <source>Type what the reminder is about.</source>
        <comment>strNewReminderEmptyText</comment>
        <translation>Geben Sie ein, woran erinnert werden soll.</translation>
    </message>
    <message>
        <source>No section is known yet. Wait until the notebooks are mirrored, then choose where the page goes.</source>
        <comment>strNewReminderNoSection</comment>
        <translation>Noch ist kein Abschnitt bekannt. Warten Sie, bis die Notizbücher gespiegelt sind, und wählen Sie dann, wohin die Seite kommt.</translation>
    </message>
    <message>
        <source>The section %1 holds as many pages as OneNote allows: choose another section for new reminders.</source>
        <comment>strNewReminderSectionFull</comment>
        <translation>Der Abschnitt %1 enthält so viele Seiten, wie OneNote erlaubt: Wählen Sie einen anderen Abschnitt für neue Erinnerungen.</translation>
    </message>
    <message>
        <source>Choose at least one weekday.</source>
        <comment>strNewReminderNoWeekDay</comment>
        <translation>Wählen Sie mindestens einen Wochentag.</translation>
    </message>
    <message>
        <source>This would not read back as a reminder: leave the &quot;!&quot; marks out of the text, they start the date.</source>
        <comment>strNewReminderNotReadBack</comment>
        <translation>Das würde nicht als Erinnerung gelesen: Lassen Sie die „!“-Zeichen im Text weg, sie leiten das Datum ein.</translation>
    </message>
    <message>
        <source>That time has passed. Choose a time in the future.</source>
        <comment>strNewReminderPastTime</comment>
        <translation>Dieser Zeitpunkt ist vorbei. Wählen Sie einen Zeitpunkt in der Zukunft.</translation>
    </message>
    <message>
        <source>An application id has the form 1a2b3c4d-0000-1111-2222-333344445555.</source>
        <comment>strPrefsClientIdInvalid</comment>
        <translation>Eine Anwendungs-ID hat die Form 1a2b3c4d-0000-1111-2222-333344445555.</translation>
    </message>
    <message>
        <source>(none chosen yet)</source>
        <comment>strPrefsSectionNone</comment>
        <translation>(noch keiner gewählt)</translation>
    </message>
    <message>
        <source>Choose an Alert Sound</source>
        <comment>strPrefsSoundChoose</comment>
        <translation>Erinnerungston wählen</translation>
    </message>
    <message>
        <source>Sounds (*.wav)</source>
        <comment>strPrefsSoundFiles</comment>
        <translation>Töne (*.wav)</translation>
    </message>
    <message>
        <source>You declined the permissions RedoZevuviva asks for, so it cannot read your notebooks. Choose Try Again and accept them to go on.</source>
        <comment>strSignInAccessDenied</comment>
        <translation>Sie haben die Berechtigungen abgelehnt, die RedoZevuviva erbittet; ohne sie kann es Ihre Notizbücher nicht lesen. Wählen Sie „Erneut versuchen“ und stimmen Sie ihnen zu, um fortzufahren.</translation>
    </message>
    <message>
        <source>Microsoft does not know the application id %1. The setting &quot;ClientId&quot; in Preferences is wrong, or the application is not registered for personal Microsoft accounts.</source>
        <comment>strSignInAppNotFound</comment>
        <translation>Microsoft kennt die Anwendungs-ID %1 nicht. Die Einstellung „ClientId“ in den Einstellungen ist falsch, oder die Anwendung ist nicht für persönliche Microsoft-Konten registriert.</translation>
    </message>
    <message>
        <source>The application of the setting &quot;ClientId&quot; has not been granted the permissions RedoZevuviva needs. Choose Try Again and accept them, or add them under API permissions as the README&apos;s steps show.</source>
        <comment>strSignInConsentMissing</comment>
        <translation>Der Anwendung der Einstellung „ClientId“ wurden die Berechtigungen, die RedoZevuviva braucht, nicht erteilt. Wählen Sie „Erneut versuchen“ und stimmen Sie zu, oder fügen Sie sie unter „API-Berechtigungen“ hinzu, wie es die Schritte im README zeigen.</translation>
    </message>
    <message>
        <source>The sign-in expired or was used already before it could finish. Choose Try Again; if it keeps failing, check the setting &quot;ClientId&quot; in Preferences.</source>
        <comment>strSignInInvalidGrant</comment>
        <translation>Die Anmeldung ist abgelaufen oder wurde schon verwendet, bevor sie abgeschlossen war. Wählen Sie „Erneut versuchen“; scheitert sie weiter, prüfen Sie die Einstellung „ClientId“ in den Einstellungen.</translation>
    </message>
    <message>
        <source>Microsoft refused the sign-in request as invalid. Check the application (client) id, setting &quot;ClientId&quot; in Preferences, and that its registration follows the README&apos;s steps.</source>
        <comment>strSignInInvalidRequest</comment>
        <translation>Microsoft hat die Anmeldeanfrage als ungültig abgelehnt. Prüfen Sie die Anwendungs-ID (Client-ID), Einstellung „ClientId“ in den Einstellungen, und dass ihre Registrierung den Schritten im README folgt.</translation>
    </message>
    <message>
        <source>Microsoft refused the sign-in (%1). Check the setting &quot;ClientId&quot; in Preferences and the README&apos;s steps.</source>
        <comment>strSignInOtherRefusal</comment>
        <translation>Microsoft hat die Anmeldung abgelehnt (%1). Prüfen Sie die Einstellung „ClientId“ in den Einstellungen und die Schritte im README.</translation>
    </message>
    <message>
        <source>How to register an application (README)</source>
        <comment>strSignInReadmeLink</comment>
        <translation>So registrieren Sie eine Anwendung (README)</translation>
    </message>
    <message>
        <source>The redirect address %1 is not registered for the application of the setting &quot;ClientId&quot;. Add it under Authentication, as the README&apos;s steps show.</source>
        <comment>strSignInRedirectNotRegistered</comment>
        <translation>Die Umleitungsadresse %1 ist für die Anwendung der Einstellung „ClientId“ nicht registriert. Fügen Sie sie unter „Authentifizierung“ hinzu, wie es die Schritte im README zeigen.</translation>
    </message>
    <message>
        <source>The sign-in did not succeed</source>
        <comment>strSignInRefusedTitle</comment>
        <translation>Die Anmeldung ist nicht gelungen</translation>
    </message>
    <message>
        <source>Microsoft&apos;s message: %1</source>
        <comment>strSignInServiceSaid</comment>
        <translation>Meldung von Microsoft: %1</translation>
    </message>
    <message>
        <source>Microsoft does not let this application sign in with your account. Check that the application (client) id, setting &quot;ClientId&quot; in Preferences, is registered for personal Microsoft accounts.</source>
        <comment>strSignInUnauthorizedClient</comment>
        <translation>Microsoft lässt diese Anwendung nicht mit Ihrem Konto anmelden. Prüfen Sie, ob die Anwendungs-ID (Client-ID), Einstellung „ClientId“ in den Einstellungen, für persönliche Microsoft-Konten registriert ist.</translation>
    </message>
    <message>
        <source>%1 (waiting for OneNote)</source>
        <comment>strWaitingForPage</comment>
        <translation>%1 (wartet auf OneNote)</translation>
    </message>
    <message>
        <source>How long until the window comes back</source>
        <comment>strSnoozeChoiceTip</comment>
        <translation>Wie lange es dauert, bis das Fenster wiederkommt</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <comment>strSnoozeFor10Minutes</comment>
        <translation>10 Minuten</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <comment>strSnoozeFor15Minutes</comment>
        <translation>15 Minuten</translation>
    </message>
    <message>
        <source>1 day</source>
        <comment>strSnoozeFor1Day</comment>
        <translation>1 Tag</translation>
    </message>
    <message>
        <source>1 hour</source>
        <comment>strSnoozeFor1Hour</comment>
        <translation>1 Stunde</translation>
    </message>
    <message>
        <source>2 hours</source>
        <comment>strSnoozeFor2Hours</comment>
        <translation>2 Stunden</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <comment>strSnoozeFor30Minutes</comment>
        <translation>30 Minuten</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <comment>strSnoozeFor5Minutes</comment>
        <translation>5 Minuten</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <comment>strSnoozeForMinutes</comment>
        <translation>%1 Minuten</translation>
    </message>
    <message>
        <source>“%1” was not created in OneNote: its section is gone. Choose another one in Preferences and add the reminder again.</source>
        <comment>strPageCreateSectionGone</comment>
        <translation>„%1“ wurde in OneNote nicht angelegt: Sein Abschnitt ist nicht mehr da. Wählen Sie in den Einstellungen einen anderen und legen Sie die Erinnerung erneut an.</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: its section is full (%2).</source>
        <comment>strOutboxSectionFull</comment>
        <translation>„%1“ wurde in OneNote nicht geändert: Sein Abschnitt ist voll (%2).</translation>
    </message>
    <message>
        <source>“%1” was not created in OneNote: the section %2 holds as many pages as OneNote allows. Choose another section in Preferences or in New Reminder and add the reminder again.</source>
        <comment>strPageCreateSectionFull</comment>
        <translation>„%1“ wurde in OneNote nicht angelegt: Der Abschnitt %2 enthält so viele Seiten, wie OneNote erlaubt. Wählen Sie in den Einstellungen oder unter „Neue Erinnerung“ einen anderen Abschnitt und legen Sie die Erinnerung erneut an.</translation>
    </message>
    <message>
        <source>“%1” may not have been created in OneNote: the service&apos;s answer was lost and the page has not appeared in its section. Look there, and add the reminder again if it is missing.</source>
        <comment>strPageCreateUnconfirmed</comment>
        <translation>„%1“ wurde in OneNote vielleicht nicht angelegt: Die Antwort des Dienstes ging verloren, und die Seite ist in ihrem Abschnitt nicht erschienen. Sehen Sie dort nach und legen Sie die Erinnerung erneut an, wenn sie fehlt.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <comment>strButtonCancel</comment>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <comment>strButtonClose</comment>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Add Reminder</source>
        <comment>strNewReminderAdd</comment>
        <translation>Erinnerung anlegen</translation>
    </message>
    <message>
        <source>1 minute</source>
        <comment>strSnoozeFor1Minute</comment>
        <translation>1 Minute</translation>
    </message>
    <message>
        <source>“%1” is not a delay. Type a number and a unit, for example 10 minutes, 2 hours or 1 day.</source>
        <comment>strSnoozeNotRead</comment>
        <translation>„%1“ ist keine Dauer. Geben Sie eine Zahl und eine Einheit ein, zum Beispiel 10 Minuten, 2 Stunden oder 1 Tag.</translation>
    </message>
    <message>
        <source>More on the web site</source>
        <comment>strHelpWebsite</comment>
        <translation>Mehr auf der Website</translation>
    </message>
    <message>
        <source>How to register an application (F1)</source>
        <comment>strPrefsHelpLink</comment>
        <translation>Wie man eine Anwendung registriert (F1)</translation>
    </message>
    <message>
        <source>Add</source>
        <comment>strButtonAdd</comment>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>OK</source>
        <comment>strButtonOk</comment>
        <translation>OK</translation>
    </message>
    <message>
        <source>Shared notebook “%1” can no longer be opened</source>
        <comment>strMonitorSharedRefused</comment>
        <translation>Das freigegebene Notizbuch „%1“ lässt sich nicht mehr öffnen</translation>
    </message>
    <message>
        <source>%1 (shared by %2; can no longer be opened)</source>
        <comment>strNotebookRefused</comment>
        <translation>%1 (freigegeben von %2; lässt sich nicht mehr öffnen)</translation>
    </message>
    <message>
        <source>%1 (shared by %2)</source>
        <comment>strNotebookShared</comment>
        <translation>%1 (freigegeben von %2)</translation>
    </message>
    <message>
        <source>Paste the notebook&apos;s web address (in OneNote: Copy link to notebook):</source>
        <comment>strSharedAddPrompt</comment>
        <translation>Webadresse des Notizbuchs einfügen (in OneNote: Link zum Notizbuch kopieren):</translation>
    </message>
    <message>
        <source>Add a shared notebook</source>
        <comment>strSharedAddTitle</comment>
        <translation>Freigegebenes Notizbuch hinzufügen</translation>
    </message>
    <message>
        <source>Add the notebook “%1”, shared by %2?</source>
        <comment>strSharedConfirm</comment>
        <translation>Das Notizbuch „%1“, freigegeben von %2, hinzufügen?</translation>
    </message>
    <message>
        <source>The notebook could not be looked up (not signed in, no connection, or a personal account, for which the service does not offer this). Try again later.</source>
        <comment>strSharedFailed</comment>
        <translation>Das Notizbuch konnte nicht nachgeschlagen werden (nicht angemeldet, keine Verbindung oder ein persönliches Konto, für das der Dienst dies nicht anbietet). Bitte später erneut versuchen.</translation>
    </message>
    <message>
        <source>This is not a notebook&apos;s web address. In OneNote, use Copy link to notebook and paste it here.</source>
        <comment>strSharedMalformed</comment>
        <translation>Das ist keine Webadresse eines Notizbuchs. In OneNote „Link zum Notizbuch kopieren“ wählen und hier einfügen.</translation>
    </message>
    <message>
        <source>No notebook was found at this address.</source>
        <comment>strSharedNotFound</comment>
        <translation>Unter dieser Adresse wurde kein Notizbuch gefunden.</translation>
    </message>
    <message>
        <source>This notebook is not shared with you, or no longer.</source>
        <comment>strSharedNotShared</comment>
        <translation>Dieses Notizbuch ist nicht (mehr) für Sie freigegeben.</translation>
    </message>
    <message>
        <source>Waiting while Do Not Disturb is on</source>
        <comment>strAlarmsHeldDoNotDisturb</comment>
        <translation>Wartet, solange „Nicht stören“ an ist</translation>
    </message>
    <message>
        <source>Paused until %1</source>
        <comment>strAlarmsPausedUntil</comment>
        <translation>Pausiert bis %1</translation>
    </message>
    <message>
        <source>Paused until resumed</source>
        <comment>strAlarmsPausedUntilResumed</comment>
        <translation>Pausiert bis zur Fortsetzung</translation>
    </message>
    <message>
        <source>Pa&amp;use Alarms</source>
        <comment>strMenuPauseAlarms</comment>
        <translation>Alarme pa&amp;usieren</translation>
    </message>
    <message>
        <source>For an &amp;Hour</source>
        <comment>strPauseOneHour</comment>
        <translation>Für eine &amp;Stunde</translation>
    </message>
    <message>
        <source>Until &amp;Resumed</source>
        <comment>strPauseUntilResumed</comment>
        <translation>Bis zur &amp;Fortsetzung</translation>
    </message>
    <message>
        <source>Until &amp;Tomorrow Morning, %1</source>
        <comment>strPauseUntilTomorrow</comment>
        <translation>Bis &amp;morgen früh, %1</translation>
    </message>
    <message>
        <source>Until &amp;This Morning, %1</source>
        <comment>strPauseUntilThisMorning</comment>
        <translation>Bis &amp;heute früh, %1</translation>
    </message>
    <message>
        <source>Resume &amp;Alarms</source>
        <comment>strResumeAlarms</comment>
        <translation>&amp;Alarme fortsetzen</translation>
    </message>
    <message>
        <source>Not a reminder: the year is outside 1000 to 4000.</source>
        <comment>strNearMissYear</comment>
        <translation>Keine Erinnerung: Das Jahr liegt nicht zwischen 1000 und 4000.</translation>
    </message>
    <message>
        <source>Not a reminder: the hour is past 23.</source>
        <comment>strNearMissHour</comment>
        <translation>Keine Erinnerung: Die Stunde ist größer als 23.</translation>
    </message>
    <message>
        <source>Read only up to the month, which is past 12: taken as %1.</source>
        <comment>strNearMissMonth</comment>
        <translation>Nur bis zum Monat gelesen, der größer als 12 ist: gilt als %1.</translation>
    </message>
    <message>
        <source>Read only up to the day, which is past 31: taken as %1.</source>
        <comment>strNearMissDay</comment>
        <translation>Nur bis zum Tag gelesen, der größer als 31 ist: gilt als %1.</translation>
    </message>
    <message>
        <source>Read only up to the hour, which is past 23: taken as %1.</source>
        <comment>strNearMissHourStops</comment>
        <translation>Nur bis zur Stunde gelesen, die größer als 23 ist: gilt als %1.</translation>
    </message>
    <message>
        <source>The minutes are past 59 and were not read: taken as %1.</source>
        <comment>strNearMissMinute</comment>
        <translation>Die Minuten sind größer als 59 und wurden nicht gelesen: gilt als %1.</translation>
    </message>
    <message>
        <source>The seconds are past 59 and were not read: taken as %1.</source>
        <comment>strNearMissSecond</comment>
        <translation>Die Sekunden sind größer als 59 und wurden nicht gelesen: gilt als %1.</translation>
    </message>
    <message>
        <source>The hour needs two digits, so the minutes were not read: taken as %1.</source>
        <comment>strNearMissOneDigitHour</comment>
        <translation>Die Stunde braucht zwei Ziffern, daher wurden die Minuten nicht gelesen: gilt als %1.</translation>
    </message>
    <message>
        <source>No time of day follows &quot;!!&quot;: taken as %1.</source>
        <comment>strNearMissNoTime</comment>
        <translation>Auf „!!“ folgt keine Uhrzeit: gilt als %1.</translation>
    </message>
    <message>
        <source>The year has fewer than four digits: taken as %1, long past, so it never rings.</source>
        <comment>strNearMissShortYear</comment>
        <translation>Das Jahr hat weniger als vier Ziffern: gilt als %1, längst vorbei, klingelt also nie.</translation>
    </message>
    <message>
        <source>A time without a date after &quot;!&quot;: taken as %1, long past, so it never rings.</source>
        <comment>strNearMissTimeOnly</comment>
        <translation>Eine Uhrzeit ohne Datum nach „!“: gilt als %1, längst vorbei, klingelt also nie.</translation>
    </message>
    <message>
        <source>Weekday digits run from 1 (Monday) to 7 (Sunday); the others are skipped: %1.</source>
        <comment>strNearMissWeekday</comment>
        <translation>Wochentagsziffern gehen von 1 (Montag) bis 7 (Sonntag); die anderen werden übergangen: %1.</translation>
    </message>
    <message>
        <source>every day at %1</source>
        <comment>strNearMissDaily</comment>
        <translation>jeden Tag um %1</translation>
    </message>
    <message>
        <source>%1 titles look like reminders but cannot be read</source>
        <comment>strNearMissCount</comment>
        <translation>%1 Titel sehen wie Erinnerungen aus, sind aber nicht lesbar</translation>
    </message>
    <message>
        <source>1 title looks like a reminder but cannot be read</source>
        <comment>strNearMissCountOne</comment>
        <translation>1 Titel sieht wie eine Erinnerung aus, ist aber nicht lesbar</translation>
    </message>
    <message>
        <source>(%1 due) %2</source>
        <comment>strMainWindowTitleDue</comment>
        <translation>(%1 fällig) %2</translation>
    </message>
    <message>
        <source>Next: %1 — %2</source>
        <comment>strTrayNextReminder</comment>
        <translation>Als Nächstes: %1 — %2</translation>
    </message>
    <message>
        <source>No reminder to come</source>
        <comment>strTrayNoNextReminder</comment>
        <translation>Keine Erinnerung steht an</translation>
    </message>
    <message>
        <source>Warning</source>
        <comment>strA11yWarning</comment>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Now due: %1</source>
        <comment>strA11yDueNow</comment>
        <translation>Jetzt fällig: %1</translation>
    </message>
</context>
<context>
    <name>WinNewReminder</name>
    <message>
        <source>New Reminder</source>
        <translation>Neue Erinnerung</translation>
    </message>
    <message>
        <source>&amp;Reminder:</source>
        <translation>&amp;Erinnerung:</translation>
    </message>
    <message>
        <source>What to be reminded of, e.g. Call Bob</source>
        <translation>Woran erinnert werden soll, z. B. Bob anrufen</translation>
    </message>
    <message>
        <source>&amp;When:</source>
        <translation>&amp;Wann:</translation>
    </message>
    <message>
        <source>Re&amp;peat:</source>
        <translation>Wieder&amp;holen:</translation>
    </message>
    <message>
        <source>Once</source>
        <translation>Einmal</translation>
    </message>
    <message>
        <source>Every day</source>
        <translation>Jeden Tag</translation>
    </message>
    <message>
        <source>On chosen weekdays</source>
        <translation>An gewählten Wochentagen</translation>
    </message>
    <message>
        <source>&amp;Section:</source>
        <translation>Ab&amp;schnitt:</translation>
    </message>
    <message>
        <source>Page title:</source>
        <translation>Seitentitel:</translation>
    </message>
</context>
<context>
    <name>WinPreferences</name>
    <message>
        <source>Preferences — RedoZevuviva</source>
        <translation>Einstellungen — RedoZevuviva</translation>
    </message>
    <message>
        <source>Microsoft account</source>
        <translation>Microsoft-Konto</translation>
    </message>
    <message>
        <source>Application (client) &amp;id:</source>
        <translation>Anwendungs-&amp;ID (Client-ID):</translation>
    </message>
    <message>
        <source>The built-in application</source>
        <translation>Die eingebaute Anwendung</translation>
    </message>
    <message>
        <source>To use your own registration, register an application in the Microsoft Entra admin center for personal Microsoft accounts and enter its id here. It takes effect at the next sign-in.</source>
        <translation>Für eine eigene Registrierung registrieren Sie im Microsoft Entra Admin Center eine Anwendung für persönliche Microsoft-Konten und geben hier ihre ID ein. Sie gilt ab der nächsten Anmeldung.</translation>
    </message>
    <message>
        <source>Reminders</source>
        <translation>Erinnerungen</translation>
    </message>
    <message>
        <source>New reminders &amp;go to:</source>
        <translation>Neue Erinnerungen &amp;nach:</translation>
    </message>
    <message>
        <source>Default s&amp;nooze:</source>
        <translation>Standard für „&amp;Später“:</translation>
    </message>
    <message>
        <source>Ring &amp;late for reminders that came due while the agent was not running</source>
        <translation>Erinnerungen, die fällig wurden, während der Agent nicht lief, &amp;verspätet melden</translation>
    </message>
    <message>
        <source>S&amp;tart at login</source>
        <translation>Beim Anmelden s&amp;tarten</translation>
    </message>
    <message>
        <source>Also remind me on my &amp;phone (Microsoft To Do)</source>
        <translation>Auch auf dem Telefon e&amp;rinnern (Microsoft To Do)</translation>
    </message>
    <message>
        <source>Keeps a task in Microsoft To Do for each reminder due within the next 14 days, for this account; ticking it there ticks it in OneNote.</source>
        <translation>Führt für jede Erinnerung der nächsten 14 Tage eine Aufgabe in Microsoft To Do, für dieses Konto; dort abgehakt, wird sie auch in OneNote abgehakt.</translation>
    </message>
    <message>
        <source>Alerts</source>
        <translation>Hinweise</translation>
    </message>
    <message>
        <source>Play a &amp;sound</source>
        <translation>Ton a&amp;bspielen</translation>
    </message>
    <message>
        <source>Sound &amp;file:</source>
        <translation>Ton&amp;datei:</translation>
    </message>
    <message>
        <source>The built-in sound</source>
        <translation>Der eingebaute Ton</translation>
    </message>
    <message>
        <source>&amp;Choose…</source>
        <translation>&amp;Wählen …</translation>
    </message>
    <message>
        <source>T&amp;est</source>
        <translation>T&amp;esten</translation>
    </message>
    <message>
        <source>Show &amp;desktop notifications</source>
        <translation>Desktop-Benachrichtigungen &amp;zeigen</translation>
    </message>
    <message>
        <source>Notebooks</source>
        <translation>Notizbücher</translation>
    </message>
    <message>
        <source>&amp;Watch these notebooks for reminders:</source>
        <translation>Diese Notizbücher auf Erinnerungen &amp;überwachen:</translation>
    </message>
    <message>
        <source>&amp;Add a shared notebook…</source>
        <translation>&amp;Freigegebenes Notizbuch hinzufügen…</translation>
    </message>
    <message>
        <source>Play the alarm sound of the desktop&apos;s sound t&amp;heme</source>
        <translation>Den Alarmton aus dem Klangt&amp;hema der Arbeitsumgebung abspielen</translation>
    </message>
    <message>
        <source>A date without a time &amp;rings at:</source>
        <translation>Ein Datum ohne Uhrzeit &amp;klingelt um:</translation>
    </message>
    <message>
        <source>The time of day a reminder written with a date but no time rings at; 00:00 is midnight.</source>
        <translation>Die Uhrzeit, zu der eine Erinnerung mit Datum, aber ohne Uhrzeit klingelt; 00:00 ist Mitternacht.</translation>
    </message>
    <message>
        <source>Notebooks to watch</source>
        <translation>Zu überwachende Notizbücher</translation>
    </message>
</context>
</TS>
