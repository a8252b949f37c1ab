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
        <source>S&amp;nooze for</source>
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
        <source>Coming Reminders</source>
        <translation>Anstehende Erinnerungen</translation>
    </message>
    <message>
        <source>Due Reminders</source>
        <translation>Fällige Erinnerungen</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Refresh Now</source>
        <translation>Jetzt aktualisieren</translation>
    </message>
    <message>
        <source>Sign Out and Sign In…</source>
        <translation>Abmelden und neu anmelden …</translation>
    </message>
    <message>
        <source>Start at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>About RedoZevuviva</source>
        <translation>Über RedoZevuviva</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
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
</context>
</TS>
