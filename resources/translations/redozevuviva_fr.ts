<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>MWinAbout</name>
    <message>
        <source>About RedoZevuviva</source>
        <translation>À propos de RedoZevuviva</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Reminders from the pages of your OneNote notebooks, right on your desktop.</source>
        <translation>Des rappels tirés des pages de vos blocs-notes OneNote, directement sur votre bureau.</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Site web</translation>
    </message>
    <message>
        <source>Email support</source>
        <translation>Assistance par e-mail</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>MWinHelp</name>
    <message>
        <source>Help — RedoZevuviva</source>
        <translation>Aide — RedoZevuviva</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
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
        <translation>&lt;h3&gt;Se connecter avec votre propre identifiant d’application&lt;/h3&gt;
&lt;p&gt;RedoZevuviva se connecte avec un identifiant d’application intégré. Pour vous connecter avec une application inscrite pour vous-même :&lt;/p&gt;
&lt;ol&gt;
&lt;li&gt;Dans le centre d’administration Microsoft Entra, ouvrez Inscriptions d’applications, Nouvelle inscription, et choisissez les comptes Microsoft personnels (seuls, ou avec n’importe quel annuaire d’organisation).&lt;/li&gt;
&lt;li&gt;Sous Authentification, ajoutez la plateforme &lt;b&gt;Applications mobiles et de bureau&lt;/b&gt; avec l’URI de redirection &lt;tt&gt;https://login.live.com/oauth20_desktop.srf&lt;/tt&gt;, et autorisez les flux de clients publics.&lt;/li&gt;
&lt;li&gt;Sous Autorisations d’API, ajoutez les autorisations déléguées Microsoft Graph &lt;tt&gt;User.Read&lt;/tt&gt;, &lt;tt&gt;Notes.Create&lt;/tt&gt;, &lt;tt&gt;Notes.ReadWrite&lt;/tt&gt;, &lt;tt&gt;Notes.ReadWrite.All&lt;/tt&gt; et &lt;tt&gt;offline_access&lt;/tt&gt;.&lt;/li&gt;
&lt;li&gt;Pour les rappels sur le téléphone (Microsoft To Do), ajoutez aussi &lt;tt&gt;Tasks.ReadWrite&lt;/tt&gt;.&lt;/li&gt;
&lt;li&gt;Saisissez l’identifiant d’application (client) dans les Préférences, puis choisissez Se déconnecter et se reconnecter.&lt;/li&gt;
&lt;/ol&gt;
&lt;p&gt;Si Microsoft refuse la connexion, la fenêtre de connexion indique pourquoi et quoi vérifier. Les mêmes étapes figurent dans la page de manuel : &lt;tt&gt;man redozevuviva&lt;/tt&gt;.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>MWinLogin</name>
    <message>
        <source>Sign In to Your Microsoft Account</source>
        <translation>Connexion à votre compte Microsoft</translation>
    </message>
    <message>
        <source>The sign-in page can&apos;t be reached</source>
        <translation>La page de connexion est inaccessible</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Réessayer</translation>
    </message>
</context>
<context>
    <name>MWinMonitor</name>
    <message>
        <source>Status — RedoZevuviva</source>
        <translation>État — RedoZevuviva</translation>
    </message>
    <message>
        <source>Account:</source>
        <translation>Compte&#xa0;:</translation>
    </message>
    <message>
        <source>Notebooks:</source>
        <translation>Blocs-notes&#xa0;:</translation>
    </message>
    <message>
        <source>Not checked yet</source>
        <translation>Pas encore vérifié</translation>
    </message>
    <message>
        <source>Reminder pages:</source>
        <translation>Pages de rappels&#xa0;:</translation>
    </message>
    <message>
        <source>Last page read:</source>
        <translation>Dernière page lue&#xa0;:</translation>
    </message>
    <message>
        <source>None yet</source>
        <translation>Aucune pour l’instant</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>&amp;Titles and tags that look like reminders but cannot be read:</source>
        <translation>&amp;Titres et balises qui ressemblent à des rappels mais ne se lisent pas :</translation>
    </message>
    <message>
        <source>Titles and tags that cannot be read</source>
        <translation>Titres et balises illisibles</translation>
    </message>
    <message>
        <source>Each row: the text, why it does not ring as written, and where it is. Enter or a double click opens the page.</source>
        <translation>Chaque ligne : le texte, pourquoi il ne sonne pas comme écrit, et où il se trouve. Entrée ou un double clic ouvre la page.</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texte</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>Pourquoi</translation>
    </message>
    <message>
        <source>Where</source>
        <translation>Où</translation>
    </message>
</context>
<context>
    <name>MWinPendingReminders</name>
    <message>
        <source>Reminders Due — RedoZevuviva</source>
        <translation>Rappels échus — RedoZevuviva</translation>
    </message>
    <message>
        <source>These reminders are due</source>
        <translation>Ces rappels sont arrivés à échéance</translation>
    </message>
    <message>
        <source>Open the selected reminder&apos;s page</source>
        <translation>Ouvrir la page du rappel sélectionné</translation>
    </message>
    <message>
        <source>&amp;Open Page</source>
        <translation>&amp;Ouvrir la page</translation>
    </message>
    <message>
        <source>Remove the selected reminder from this list</source>
        <translation>Retirer le rappel sélectionné de cette liste</translation>
    </message>
    <message>
        <source>&amp;Dismiss</source>
        <translation>&amp;Ignorer</translation>
    </message>
    <message>
        <source>Remove every reminder from this list and close the window</source>
        <translation>Retirer tous les rappels de cette liste et fermer la fenêtre</translation>
    </message>
    <message>
        <source>Dismiss &amp;All</source>
        <translation>Ignorer &amp;tout</translation>
    </message>
    <message>
        <source>Snooze &amp;for</source>
        <translation>Re&amp;porter de</translation>
    </message>
    <message>
        <source>A number and a unit, such as &quot;20 minutes&quot;, &quot;3 hours&quot; or &quot;2 days&quot;</source>
        <translation>Un nombre et une unité en anglais, par exemple «&#xa0;20 minutes&#xa0;», «&#xa0;3 hours&#xa0;» ou «&#xa0;2 days&#xa0;»</translation>
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
        <translation>Fermer la fenêtre et la rouvrir après le délai choisi</translation>
    </message>
    <message>
        <source>&amp;Snooze</source>
        <translation>&amp;Reporter</translation>
    </message>
    <message>
        <source>Tick the selected to-do in OneNote and remove it from this list</source>
        <translation>Cocher la tâche sélectionnée dans OneNote et la retirer de cette liste</translation>
    </message>
    <message>
        <source>Do&amp;ne</source>
        <translation>&amp;Fait</translation>
    </message>
    <message>
        <source>Show the selected reminder again later; the others stay</source>
        <translation>Afficher à nouveau plus tard le rappel sélectionné ; les autres restent</translation>
    </message>
    <message>
        <source>Snooze &amp;This</source>
        <translation>Reporter &amp;celui-ci</translation>
    </message>
    <message>
        <source>Due reminders</source>
        <translation>Rappels échus</translation>
    </message>
    <message>
        <source>The reminders that came due. Dismiss, open, snooze or mark done the selected one with the buttons below.</source>
        <translation>Les rappels échus. Les boutons en dessous écartent, ouvrent, reportent ou terminent celui qui est choisi.</translation>
    </message>
    <message>
        <source>Snooze for</source>
        <translation>Reporter de</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Coming Reminders — RedoZevuviva</source>
        <translation>Rappels à venir — RedoZevuviva</translation>
    </message>
    <message>
        <source>Coming reminders</source>
        <translation>Rappels à venir</translation>
    </message>
    <message>
        <source>Loading reminders…</source>
        <translation>Chargement des rappels…</translation>
    </message>
    <message>
        <source>&amp;Reminders</source>
        <translation>&amp;Rappels</translation>
    </message>
    <message>
        <source>&amp;Account</source>
        <translation>&amp;Compte</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Paramètres</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;Coming Reminders</source>
        <translation>Rappels à &amp;venir</translation>
    </message>
    <message>
        <source>&amp;Due Reminders</source>
        <translation>Rappels é&amp;chus</translation>
    </message>
    <message>
        <source>S&amp;tatus</source>
        <translation>É&amp;tat</translation>
    </message>
    <message>
        <source>&amp;Refresh Now</source>
        <translation>&amp;Actualiser maintenant</translation>
    </message>
    <message>
        <source>&amp;Sign Out and Sign In…</source>
        <translation>Se &amp;déconnecter et se reconnecter…</translation>
    </message>
    <message>
        <source>Start at &amp;Login</source>
        <translation>&amp;Lancer à l’ouverture de session</translation>
    </message>
    <message>
        <source>&amp;About RedoZevuviva</source>
        <translation>À p&amp;ropos de RedoZevuviva</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;New Reminder…</source>
        <translation>&amp;Nouveau rappel…</translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation>&amp;Préférences…</translation>
    </message>
    <message>
        <source>Filter reminders</source>
        <translation>Filtrer les rappels</translation>
    </message>
    <message>
        <source>RedoZevuviva &amp;Help</source>
        <translation>A&amp;ide de RedoZevuviva</translation>
    </message>
    <message>
        <source>Opens the status window, which lists them and says why each does not ring as written.</source>
        <translation>Ouvre la fenêtre d’état, qui les liste et dit pourquoi chacun ne sonne pas comme écrit.</translation>
    </message>
    <message>
        <source>Every reminder to come, soonest first. Enter or a click opens the reminder&apos;s page.</source>
        <translation>Tous les rappels à venir, le plus proche d’abord. Entrée ou un clic ouvre la page du rappel.</translation>
    </message>
</context>
<context>
    <name>StringsTable</name>
    <message>
        <source>About RedoZevuviva</source>
        <comment>strAboutWindowTitle</comment>
        <translation>À propos de RedoZevuviva</translation>
    </message>
    <message>
        <source>Check start:</source>
        <comment>strCheckStart</comment>
        <translation>Début de la vérification&#xa0;:</translation>
    </message>
    <message>
        <source>Checked</source>
        <comment>strChecked</comment>
        <translation>Vérifié</translation>
    </message>
    <message>
        <source>Checking</source>
        <comment>strChecking</comment>
        <translation>Vérification en cours</translation>
    </message>
    <message>
        <source>Reminder</source>
        <comment>strColumnTask</comment>
        <translation>Rappel</translation>
    </message>
    <message>
        <source>Due</source>
        <comment>strColumnTime</comment>
        <translation>Échéance</translation>
    </message>
    <message>
        <source>Signed in</source>
        <comment>strLoggedIn</comment>
        <translation>Connecté</translation>
    </message>
    <message>
        <source>Signed out</source>
        <comment>strLoggedOut</comment>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>Waiting for the keyring…</source>
        <comment>strWaitingForKeyring</comment>
        <translation>En attente du trousseau…</translation>
    </message>
    <message>
        <source>The keyring did not answer: sign in, or start again to ask it once more</source>
        <comment>strKeyringFailed</comment>
        <translation>Le trousseau n’a pas répondu : connectez-vous, ou redémarrez pour le solliciter à nouveau</translation>
    </message>
    <message>
        <source>Connecting to the sign-in page…</source>
        <comment>strLoginConnecting</comment>
        <translation>Connexion à la page de connexion…</translation>
    </message>
    <message>
        <source>Finishing sign-in…</source>
        <comment>strLoginFinishing</comment>
        <translation>Finalisation de la connexion…</translation>
    </message>
    <message>
        <source>Try Again</source>
        <comment>strLoginRetry</comment>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>RedoZevuviva could not connect to %1. Check the internet connection, then try again.</source>
        <comment>strLoginUnreachableText</comment>
        <translation>RedoZevuviva n’a pas pu se connecter à %1. Vérifiez la connexion Internet, puis réessayez.</translation>
    </message>
    <message>
        <source>The sign-in page can&apos;t be reached</source>
        <comment>strLoginUnreachableTitle</comment>
        <translation>La page de connexion est inaccessible</translation>
    </message>
    <message>
        <source>Sign In to Your Microsoft Account</source>
        <comment>strLoginWindowTitle</comment>
        <translation>Connexion à votre compte Microsoft</translation>
    </message>
    <message>
        <source>Coming Reminders</source>
        <comment>strMainWindowTitle</comment>
        <translation>Rappels à venir</translation>
    </message>
    <message>
        <source>About RedoZevuviva</source>
        <comment>strMenuAbout</comment>
        <translation>À propos de RedoZevuviva</translation>
    </message>
    <message>
        <source>Sign Out and Sign In…</source>
        <comment>strMenuLogin</comment>
        <translation>Se déconnecter et se reconnecter…</translation>
    </message>
    <message>
        <source>Due Reminders</source>
        <comment>strMenuPendingReminders</comment>
        <translation>Rappels échus</translation>
    </message>
    <message>
        <source>Quit</source>
        <comment>strMenuQuit</comment>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Refresh Now</source>
        <comment>strMenuRefresh</comment>
        <translation>Actualiser maintenant</translation>
    </message>
    <message>
        <source>Coming Reminders</source>
        <comment>strMenuShowReminders</comment>
        <translation>Rappels à venir</translation>
    </message>
    <message>
        <source>Start at Login</source>
        <comment>strMenuStartAtLogin</comment>
        <translation>Lancer à l’ouverture de session</translation>
    </message>
    <message>
        <source>Status</source>
        <comment>strMenuStatus</comment>
        <translation>État</translation>
    </message>
    <message>
        <source>RedoZevuviva Status</source>
        <comment>strMonitorWindowTitle</comment>
        <translation>État de RedoZevuviva</translation>
    </message>
    <message>
        <source>Show</source>
        <comment>strNotificationOpen</comment>
        <translation>Afficher</translation>
    </message>
    <message>
        <source>Reminder due</source>
        <comment>strNotificationTitle</comment>
        <translation>Rappel échu</translation>
    </message>
    <message>
        <source>%1 reminders due</source>
        <comment>strNotificationTitleMany</comment>
        <translation>%1 rappels échus</translation>
    </message>
    <message>
        <source>Reminders Due</source>
        <comment>strPendingWindowTitle</comment>
        <translation>Rappels échus</translation>
    </message>
    <message>
        <source>Version</source>
        <comment>strVersion</comment>
        <translation>Version</translation>
    </message>
    <message>
        <source>Done</source>
        <comment>strNotificationDone</comment>
        <translation>Fait</translation>
    </message>
    <message>
        <source>Open</source>
        <comment>strNotificationOpenPage</comment>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Snooze 15 min</source>
        <comment>strNotificationSnooze15</comment>
        <translation>Reporter de 15 min</translation>
    </message>
    <message>
        <source>For 15 Minutes</source>
        <comment>strSnoozeOne15Minutes</comment>
        <translation>Pendant 15 minutes</translation>
    </message>
    <message>
        <source>For 1 Hour</source>
        <comment>strSnoozeOne1Hour</comment>
        <translation>Pendant 1 heure</translation>
    </message>
    <message>
        <source>For 5 Minutes</source>
        <comment>strSnoozeOne5Minutes</comment>
        <translation>Pendant 5 minutes</translation>
    </message>
    <message>
        <source>Until Tomorrow, Same Time</source>
        <comment>strSnoozeOneTomorrow</comment>
        <translation>Jusqu’à demain, même heure</translation>
    </message>
    <message>
        <source>The last try failed, trying again: %1</source>
        <comment>strToDoProblem</comment>
        <translation>Le dernier essai a échoué, nouvel essai à venir : %1</translation>
    </message>
    <message>
        <source>%1 to-do waiting to be ticked in OneNote.</source>
        <comment>strToDoWaiting</comment>
        <translation>%1 tâche attend d’être cochée dans OneNote.</translation>
    </message>
    <message>
        <source>%1 to-dos waiting to be ticked in OneNote.</source>
        <comment>strToDoWaitingMany</comment>
        <translation>%1 tâches attendent d’être cochées dans OneNote.</translation>
    </message>
    <message>
        <source>“%1”: %2</source>
        <comment>strOutboxItemDetail</comment>
        <translation>«&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>OneNote could not be reached</source>
        <comment>strOutboxUnreachable</comment>
        <translation>OneNote n’a pas pu être joint</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: its page is gone.</source>
        <comment>strOutboxPageGone</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été modifié dans OneNote&#xa0;: sa page n’existe plus.</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: this account may not write there (%2).</source>
        <comment>strOutboxReadOnly</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été modifié dans OneNote&#xa0;: ce compte n’a pas le droit d’y écrire (%2).</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: the service refused it (%2).</source>
        <comment>strOutboxRefused</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été modifié dans OneNote&#xa0;: le service a refusé la modification (%2).</translation>
    </message>
    <message>
        <source>Microsoft To Do could not be reached</source>
        <comment>strPhoneUnreachable</comment>
        <translation>Microsoft To Do est injoignable</translation>
    </message>
    <message>
        <source>“%1” was not changed in Microsoft To Do: the service refused it (%2).</source>
        <comment>strPhoneRefused</comment>
        <translation>« %1 » n’a pas été modifié dans Microsoft To Do : le service l’a refusé (%2).</translation>
    </message>
    <message>
        <source>OneNote reminders</source>
        <comment>strPhoneListName</comment>
        <translation>Rappels OneNote</translation>
    </message>
    <message>
        <source>Reminders on the phone</source>
        <comment>strPhoneOffTitle</comment>
        <translation>Rappels sur le téléphone</translation>
    </message>
    <message>
        <source>Nothing more goes to Microsoft To Do. Remove the list “%1” and its tasks from To Do as well?</source>
        <comment>strPhoneOffRemoveList</comment>
        <translation>Plus rien n’est envoyé à Microsoft To Do. Supprimer aussi la liste « %1 » et ses tâches de To Do ?</translation>
    </message>
    <message>
        <source>Remove the list</source>
        <comment>strPhoneRemoveList</comment>
        <translation>Supprimer la liste</translation>
    </message>
    <message>
        <source>Keep the list</source>
        <comment>strPhoneKeepList</comment>
        <translation>Garder la liste</translation>
    </message>
    <message>
        <source>Reminders on the phone: off.</source>
        <comment>strPhoneStatusOff</comment>
        <translation>Rappels sur le téléphone : désactivés.</translation>
    </message>
    <message>
        <source>Reminders on the phone: on; last sync %1; tasks kept: %2; writes waiting: %3.</source>
        <comment>strPhoneStatusOn</comment>
        <translation>Rappels sur le téléphone : activés ; dernière synchronisation %1 ; tâches : %2 ; modifications en attente : %3.</translation>
    </message>
    <message>
        <source>not yet</source>
        <comment>strPhoneNotYet</comment>
        <translation>pas encore</translation>
    </message>
    <message>
        <source>“%1” was not sent to OneNote: it belongs to the account signed in before.</source>
        <comment>strOutboxOtherAccount</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été envoyé à OneNote&#xa0;: il appartient au compte connecté auparavant.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: it is no longer on its page.</source>
        <comment>strOutboxNotFound</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été cochée&#xa0;: la tâche n’est plus sur sa page.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: its page holds more than one open to-do with this text. Tick it in OneNote.</source>
        <comment>strOutboxAmbiguous</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été cochée&#xa0;: sa page contient plusieurs tâches ouvertes avec ce texte. Cochez-la dans OneNote.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: it holds a picture, a file or an embedded object, which cannot be sent back. Tick it in OneNote.</source>
        <comment>strOutboxEmbedded</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été cochée&#xa0;: elle contient une image, un fichier ou un objet incorporé, qui ne peut pas être renvoyé. Cochez-la dans OneNote.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: it could not be changed without touching the rest of the note. Tick it in OneNote.</source>
        <comment>strOutboxUnsafe</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été cochée&#xa0;: elle ne pouvait pas être modifiée sans toucher au reste de la note. Cochez-la dans OneNote.</translation>
    </message>
    <message>
        <source>This account has too many sections to be searched as a whole; reminders appear as its sections are mirrored.</source>
        <comment>strTooManySections</comment>
        <translation>Ce compte a trop de sections pour être parcouru d’un seul coup ; les rappels apparaissent à mesure que ses sections sont copiées.</translation>
    </message>
    <message>
        <source>%1 sections still to mirror.</source>
        <comment>strSectionsToMirror</comment>
        <translation>%1 sections encore à copier.</translation>
    </message>
    <message>
        <source>Sections failing, retried later: %1</source>
        <comment>strSectionsFailing</comment>
        <translation>Sections en échec, réessayées plus tard : %1</translation>
    </message>
    <message>
        <source>(late) </source>
        <comment>strLateMarker</comment>
        <translation>(en retard) </translation>
    </message>
    <message>
        <source>Reminder from a page title</source>
        <comment>strKindPage</comment>
        <translation>Rappel tiré d’un titre de page</translation>
    </message>
    <message>
        <source>Reminder from a to-do tag</source>
        <comment>strKindTag</comment>
        <translation>Rappel tiré d’une balise de tâche</translation>
    </message>
    <message>
        <source>%1, due %2, once</source>
        <comment>strRowOnce</comment>
        <translation>%1, échéance le %2, une fois</translation>
    </message>
    <message>
        <source>%1, due %2, repeats</source>
        <comment>strRowRepeats</comment>
        <translation>%1, échéance le %2, se répète</translation>
    </message>
    <message>
        <source>d MMMM yyyy HH:mm</source>
        <comment>strSpokenDateTimeFormat</comment>
        <translation>d MMMM yyyy HH:mm</translation>
    </message>
    <message>
        <source>Once</source>
        <comment>strStateOnce</comment>
        <translation>Une fois</translation>
    </message>
    <message>
        <source>Repeats</source>
        <comment>strStateRepeats</comment>
        <translation>Se répète</translation>
    </message>
    <message>
        <source>Snoozed until %2: %1</source>
        <comment>strSnoozedUntil</comment>
        <translation>En sommeil jusqu’à %2 : %1</translation>
    </message>
    <message>
        <source>Cancel Snooze</source>
        <comment>strCancelSnooze</comment>
        <translation>Annuler le rappel différé</translation>
    </message>
    <message>
        <source>No account is signed in. Sign in first.</source>
        <comment>strAddNoAccount</comment>
        <translation>Aucun compte n’est connecté. Connectez-vous d’abord.</translation>
    </message>
    <message>
        <source>The agent did not answer.</source>
        <comment>strAddNoAgent</comment>
        <translation>L’agent n’a pas répondu.</translation>
    </message>
    <message>
        <source>No agent was started: the lock file %1 cannot be opened (%2).</source>
        <comment>strAddNoLock</comment>
        <translation>Aucun agent n’a été démarré : le fichier de verrou %1 ne peut pas être ouvert (%2).</translation>
    </message>
    <message>
        <source>No section is chosen for new reminders. Choose one in Preferences or in the New Reminder window.</source>
        <comment>strAddNoSection</comment>
        <translation>Aucune section n’est choisie pour les nouveaux rappels. Choisissez-en une dans les Préférences ou dans la fenêtre « Nouveau rappel ».</translation>
    </message>
    <message>
        <source>The text makes no reminder. Write it as the page titles do, e.g. &quot;Call Bob !2026-12-10 09:00&quot; or &quot;Standup !! 09:15 [1,2,3,4,5]&quot;.</source>
        <comment>strAddNotAReminder</comment>
        <translation>Ce texte ne donne aucun rappel. Écrivez-le comme les titres de page, par ex. « Call Bob !2026-12-10 09:00 » ou « Standup !! 09:15 [1,2,3,4,5] ».</translation>
    </message>
    <message>
        <source>The reminder could not be saved in the data folder.</source>
        <comment>strAddNotSaved</comment>
        <translation>Le rappel n’a pas pu être enregistré dans le dossier de données.</translation>
    </message>
    <message>
        <source>the change could not be recorded in the data folder</source>
        <comment>strOutboxNotSaved</comment>
        <translation>la modification n’a pas pu être enregistrée dans le dossier de données</translation>
    </message>
    <message>
        <source>“%1” was not ticked: its page holds more than one element with its id. Tick it in OneNote.</source>
        <comment>strOutboxSameId</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été cochée&#xa0;: sa page contient plusieurs éléments avec son identifiant. Cochez-la dans OneNote.</translation>
    </message>
    <message>
        <source>“%1” was not ticked: items below it carry tags of their own, which OneNote would take from them. Tick it in OneNote.</source>
        <comment>strOutboxSubItems</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été cochée&#xa0;: des éléments en dessous portent leurs propres balises, que OneNote leur retirerait. Cochez-la dans OneNote.</translation>
    </message>
    <message>
        <source>“%1” was not sent to OneNote: this version does not know this kind of change.</source>
        <comment>strOutboxUnknownKind</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été envoyée à OneNote&#xa0;: cette version ne connaît pas ce type de modification.</translation>
    </message>
    <message>
        <source>No account is signed in: sign in to tick to-dos in OneNote.</source>
        <comment>strDoneNoAccount</comment>
        <translation>Aucun compte n’est connecté&#xa0;: connectez-vous pour cocher des tâches dans OneNote.</translation>
    </message>
    <message>
        <source>Too many changes are waiting for OneNote: this to-do was not queued and stays here. Try again once they are sent.</source>
        <comment>strDoneTooLarge</comment>
        <translation>Trop de modifications attendent OneNote&#xa0;: cette tâche n’a pas été mise en attente et reste ici. Réessayez une fois qu’elles sont envoyées.</translation>
    </message>
    <message>
        <source>The tick could not be saved in the data folder: this to-do stays here. Try Done again.</source>
        <comment>strDoneNotSaved</comment>
        <translation>La coche n’a pas pu être enregistrée dans le dossier de données&#xa0;: cette tâche reste ici. Réessayez «&#xa0;Terminé&#xa0;».</translation>
    </message>
    <message>
        <source>%1 new page waiting to be created in OneNote.</source>
        <comment>strPageWaiting</comment>
        <translation>%1 nouvelle page attend d’être créée dans OneNote.</translation>
    </message>
    <message>
        <source>%1 new pages waiting to be created in OneNote.</source>
        <comment>strPageWaitingMany</comment>
        <translation>%1 nouvelles pages attendent d’être créées dans OneNote.</translation>
    </message>
    <message>
        <source>Not changed in OneNote</source>
        <comment>strOutboxNotSentTitle</comment>
        <translation>Non modifié dans OneNote</translation>
    </message>
    <message>
        <source>Too many changes are waiting for OneNote: the reminder was not queued. Try again once they are sent.</source>
        <comment>strAddTooLarge</comment>
        <translation>Trop de modifications attendent OneNote&#xa0;: le rappel n’a pas été mis en attente. Réessayez une fois qu’elles sont envoyées.</translation>
    </message>
    <message>
        <source>The text is too long: keep the title under 1,000 characters.</source>
        <comment>strNewReminderTooLong</comment>
        <translation>Le texte est trop long&#xa0;: le titre doit compter moins de 1&#xa0;000 caractères.</translation>
    </message>
    <message>
        <source>Queued “%1” for the section %2.</source>
        <comment>strAddQueued</comment>
        <translation>« %1 » mis en attente pour la section %2.</translation>
    </message>
    <message>
        <source>Type what the reminder is about.</source>
        <comment>strNewReminderEmptyText</comment>
        <translation>Saisissez l’objet du rappel.</translation>
    </message>
    <message>
        <source>No section is known yet. Wait until the notebooks are mirrored, then choose where the page goes.</source>
        <comment>strNewReminderNoSection</comment>
        <translation>Aucune section n’est encore connue. Attendez que les blocs-notes soient copiés, puis choisissez où placer la page.</translation>
    </message>
    <message>
        <source>The section %1 holds as many pages as OneNote allows: choose another section for new reminders.</source>
        <comment>strNewReminderSectionFull</comment>
        <translation>La section %1 contient autant de pages que OneNote le permet&#xa0;: choisissez une autre section pour les nouveaux rappels.</translation>
    </message>
    <message>
        <source>Choose at least one weekday.</source>
        <comment>strNewReminderNoWeekDay</comment>
        <translation>Choisissez au moins un jour de la semaine.</translation>
    </message>
    <message>
        <source>This would not read back as a reminder: leave the &quot;!&quot; marks out of the text, they start the date.</source>
        <comment>strNewReminderNotReadBack</comment>
        <translation>Ceci ne serait pas relu comme un rappel : n’utilisez pas de « ! » dans le texte, ils annoncent la date.</translation>
    </message>
    <message>
        <source>That time has passed. Choose a time in the future.</source>
        <comment>strNewReminderPastTime</comment>
        <translation>Cette heure est passée. Choisissez une heure à venir.</translation>
    </message>
    <message>
        <source>An application id has the form 1a2b3c4d-0000-1111-2222-333344445555.</source>
        <comment>strPrefsClientIdInvalid</comment>
        <translation>Un identifiant d’application a la forme 1a2b3c4d-0000-1111-2222-333344445555.</translation>
    </message>
    <message>
        <source>(none chosen yet)</source>
        <comment>strPrefsSectionNone</comment>
        <translation>(aucune choisie pour l’instant)</translation>
    </message>
    <message>
        <source>Choose an Alert Sound</source>
        <comment>strPrefsSoundChoose</comment>
        <translation>Choisir un son d’alerte</translation>
    </message>
    <message>
        <source>Sounds (*.wav)</source>
        <comment>strPrefsSoundFiles</comment>
        <translation>Sons (*.wav)</translation>
    </message>
    <message>
        <source>You declined the permissions RedoZevuviva asks for, so it cannot read your notebooks. Choose Try Again and accept them to go on.</source>
        <comment>strSignInAccessDenied</comment>
        <translation>Vous avez refusé les autorisations que demande RedoZevuviva ; sans elles il ne peut pas lire vos blocs-notes. Choisissez « Réessayer » et acceptez-les pour continuer.</translation>
    </message>
    <message>
        <source>Microsoft does not know the application id %1. The setting &quot;ClientId&quot; in Preferences is wrong, or the application is not registered for personal Microsoft accounts.</source>
        <comment>strSignInAppNotFound</comment>
        <translation>Microsoft ne connaît pas l’identifiant d’application %1. Le réglage « ClientId » des Préférences est erroné, ou l’application n’est pas inscrite pour les comptes Microsoft personnels.</translation>
    </message>
    <message>
        <source>The application of the setting &quot;ClientId&quot; has not been granted the permissions RedoZevuviva needs. Choose Try Again and accept them, or add them under API permissions as the README&apos;s steps show.</source>
        <comment>strSignInConsentMissing</comment>
        <translation>L’application du réglage « ClientId » n’a pas reçu les autorisations dont RedoZevuviva a besoin. Choisissez « Réessayer » et acceptez-les, ou ajoutez-les sous « Autorisations d’API » comme le montrent les étapes du README.</translation>
    </message>
    <message>
        <source>The sign-in expired or was used already before it could finish. Choose Try Again; if it keeps failing, check the setting &quot;ClientId&quot; in Preferences.</source>
        <comment>strSignInInvalidGrant</comment>
        <translation>La connexion a expiré ou a déjà servi avant d’aboutir. Choisissez « Réessayer » ; si l’échec se répète, vérifiez le réglage « ClientId » des Préférences.</translation>
    </message>
    <message>
        <source>Microsoft refused the sign-in request as invalid. Check the application (client) id, setting &quot;ClientId&quot; in Preferences, and that its registration follows the README&apos;s steps.</source>
        <comment>strSignInInvalidRequest</comment>
        <translation>Microsoft a refusé la demande de connexion comme non valide. Vérifiez l’identifiant d’application (client), réglage « ClientId » des Préférences, et que son inscription suit les étapes du README.</translation>
    </message>
    <message>
        <source>Microsoft refused the sign-in (%1). Check the setting &quot;ClientId&quot; in Preferences and the README&apos;s steps.</source>
        <comment>strSignInOtherRefusal</comment>
        <translation>Microsoft a refusé la connexion (%1). Vérifiez le réglage « ClientId » des Préférences et les étapes du README.</translation>
    </message>
    <message>
        <source>How to register an application (README)</source>
        <comment>strSignInReadmeLink</comment>
        <translation>Comment inscrire une application (README)</translation>
    </message>
    <message>
        <source>The redirect address %1 is not registered for the application of the setting &quot;ClientId&quot;. Add it under Authentication, as the README&apos;s steps show.</source>
        <comment>strSignInRedirectNotRegistered</comment>
        <translation>L’adresse de redirection %1 n’est pas inscrite pour l’application du réglage « ClientId ». Ajoutez-la sous « Authentification », comme le montrent les étapes du README.</translation>
    </message>
    <message>
        <source>The sign-in did not succeed</source>
        <comment>strSignInRefusedTitle</comment>
        <translation>La connexion n’a pas abouti</translation>
    </message>
    <message>
        <source>Microsoft&apos;s message: %1</source>
        <comment>strSignInServiceSaid</comment>
        <translation>Message de Microsoft : %1</translation>
    </message>
    <message>
        <source>Microsoft does not let this application sign in with your account. Check that the application (client) id, setting &quot;ClientId&quot; in Preferences, is registered for personal Microsoft accounts.</source>
        <comment>strSignInUnauthorizedClient</comment>
        <translation>Microsoft ne permet pas à cette application de se connecter avec votre compte. Vérifiez que l’identifiant d’application (client), réglage « ClientId » des Préférences, est inscrit pour les comptes Microsoft personnels.</translation>
    </message>
    <message>
        <source>%1 (waiting for OneNote)</source>
        <comment>strWaitingForPage</comment>
        <translation>%1 (en attente de OneNote)</translation>
    </message>
    <message>
        <source>How long until the window comes back</source>
        <comment>strSnoozeChoiceTip</comment>
        <translation>Délai avant le retour de la fenêtre</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <comment>strSnoozeFor10Minutes</comment>
        <translation>10 minutes</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <comment>strSnoozeFor15Minutes</comment>
        <translation>15 minutes</translation>
    </message>
    <message>
        <source>1 day</source>
        <comment>strSnoozeFor1Day</comment>
        <translation>1 jour</translation>
    </message>
    <message>
        <source>1 hour</source>
        <comment>strSnoozeFor1Hour</comment>
        <translation>1 heure</translation>
    </message>
    <message>
        <source>2 hours</source>
        <comment>strSnoozeFor2Hours</comment>
        <translation>2 heures</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <comment>strSnoozeFor30Minutes</comment>
        <translation>30 minutes</translation>
    </message>
    <message>
        <source>5 minutes</source>
        <comment>strSnoozeFor5Minutes</comment>
        <translation>5 minutes</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <comment>strSnoozeForMinutes</comment>
        <translation>%1 minutes</translation>
    </message>
    <message>
        <source>“%1” was not created in OneNote: its section is gone. Choose another one in Preferences and add the reminder again.</source>
        <comment>strPageCreateSectionGone</comment>
        <translation>« %1 » n’a pas été créé dans OneNote : sa section n’existe plus. Choisissez-en une autre dans les Préférences et ajoutez de nouveau le rappel.</translation>
    </message>
    <message>
        <source>“%1” was not changed in OneNote: its section is full (%2).</source>
        <comment>strOutboxSectionFull</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été modifié dans OneNote&#xa0;: sa section est pleine (%2).</translation>
    </message>
    <message>
        <source>“%1” was not created in OneNote: the section %2 holds as many pages as OneNote allows. Choose another section in Preferences or in New Reminder and add the reminder again.</source>
        <comment>strPageCreateSectionFull</comment>
        <translation>«&#xa0;%1&#xa0;» n’a pas été créé dans OneNote&#xa0;: la section %2 contient autant de pages que OneNote le permet. Choisissez une autre section dans les Préférences ou dans Nouveau rappel et ajoutez le rappel à nouveau.</translation>
    </message>
    <message>
        <source>“%1” may not have been created in OneNote: the service&apos;s answer was lost and the page has not appeared in its section. Look there, and add the reminder again if it is missing.</source>
        <comment>strPageCreateUnconfirmed</comment>
        <translation>«&#xa0;%1&#xa0;» n’a peut-être pas été créé dans OneNote&#xa0;: la réponse du service s’est perdue et la page n’est pas apparue dans sa section. Vérifiez-y et ajoutez le rappel à nouveau s’il manque.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <comment>strButtonCancel</comment>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Close</source>
        <comment>strButtonClose</comment>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Add Reminder</source>
        <comment>strNewReminderAdd</comment>
        <translation>Ajouter le rappel</translation>
    </message>
    <message>
        <source>1 minute</source>
        <comment>strSnoozeFor1Minute</comment>
        <translation>1 minute</translation>
    </message>
    <message>
        <source>“%1” is not a delay. Type a number and a unit, for example 10 minutes, 2 hours or 1 day.</source>
        <comment>strSnoozeNotRead</comment>
        <translation>« %1 » n’est pas une durée. Saisissez un nombre et une unité, par exemple 10 minutes, 2 heures ou 1 jour.</translation>
    </message>
    <message>
        <source>More on the web site</source>
        <comment>strHelpWebsite</comment>
        <translation>Plus sur le site web</translation>
    </message>
    <message>
        <source>How to register an application (F1)</source>
        <comment>strPrefsHelpLink</comment>
        <translation>Comment inscrire une application (F1)</translation>
    </message>
    <message>
        <source>Add</source>
        <comment>strButtonAdd</comment>
        <translation>Ajouter</translation>
    </message>
    <message>
        <source>OK</source>
        <comment>strButtonOk</comment>
        <translation>OK</translation>
    </message>
    <message>
        <source>Shared notebook “%1” can no longer be opened</source>
        <comment>strMonitorSharedRefused</comment>
        <translation>Le bloc-notes partagé « %1 » ne peut plus être ouvert</translation>
    </message>
    <message>
        <source>%1 (shared by %2; can no longer be opened)</source>
        <comment>strNotebookRefused</comment>
        <translation>%1 (partagé par %2 ; ne peut plus être ouvert)</translation>
    </message>
    <message>
        <source>%1 (shared by %2)</source>
        <comment>strNotebookShared</comment>
        <translation>%1 (partagé par %2)</translation>
    </message>
    <message>
        <source>Paste the notebook&apos;s web address (in OneNote: Copy link to notebook):</source>
        <comment>strSharedAddPrompt</comment>
        <translation>Collez l’adresse web du bloc-notes (dans OneNote : Copier le lien vers le bloc-notes) :</translation>
    </message>
    <message>
        <source>Add a shared notebook</source>
        <comment>strSharedAddTitle</comment>
        <translation>Ajouter un bloc-notes partagé</translation>
    </message>
    <message>
        <source>Add the notebook “%1”, shared by %2?</source>
        <comment>strSharedConfirm</comment>
        <translation>Ajouter le bloc-notes « %1 », partagé par %2 ?</translation>
    </message>
    <message>
        <source>The notebook could not be looked up (not signed in, no connection, or a personal account, for which the service does not offer this). Try again later.</source>
        <comment>strSharedFailed</comment>
        <translation>Le bloc-notes n’a pas pu être recherché (pas de connexion au compte ou au réseau, ou compte personnel, pour lequel le service ne le propose pas). Réessayez plus tard.</translation>
    </message>
    <message>
        <source>This is not a notebook&apos;s web address. In OneNote, use Copy link to notebook and paste it here.</source>
        <comment>strSharedMalformed</comment>
        <translation>Ce n’est pas l’adresse web d’un bloc-notes. Dans OneNote, utilisez Copier le lien vers le bloc-notes et collez-le ici.</translation>
    </message>
    <message>
        <source>No notebook was found at this address.</source>
        <comment>strSharedNotFound</comment>
        <translation>Aucun bloc-notes n’a été trouvé à cette adresse.</translation>
    </message>
    <message>
        <source>This notebook is not shared with you, or no longer.</source>
        <comment>strSharedNotShared</comment>
        <translation>Ce bloc-notes n’est pas (ou plus) partagé avec vous.</translation>
    </message>
    <message>
        <source>Waiting while Do Not Disturb is on</source>
        <comment>strAlarmsHeldDoNotDisturb</comment>
        <translation>En attente tant que « Ne pas déranger » est actif</translation>
    </message>
    <message>
        <source>Paused until %1</source>
        <comment>strAlarmsPausedUntil</comment>
        <translation>En pause jusqu’à %1</translation>
    </message>
    <message>
        <source>Paused until resumed</source>
        <comment>strAlarmsPausedUntilResumed</comment>
        <translation>En pause jusqu’à la reprise</translation>
    </message>
    <message>
        <source>Pa&amp;use Alarms</source>
        <comment>strMenuPauseAlarms</comment>
        <translation>Mettre les alarmes en pa&amp;use</translation>
    </message>
    <message>
        <source>For an &amp;Hour</source>
        <comment>strPauseOneHour</comment>
        <translation>Pendant une &amp;heure</translation>
    </message>
    <message>
        <source>Until &amp;Resumed</source>
        <comment>strPauseUntilResumed</comment>
        <translation>Jusqu’à la &amp;reprise</translation>
    </message>
    <message>
        <source>Until &amp;Tomorrow Morning, %1</source>
        <comment>strPauseUntilTomorrow</comment>
        <translation>Jusqu’à &amp;demain matin, %1</translation>
    </message>
    <message>
        <source>Until &amp;This Morning, %1</source>
        <comment>strPauseUntilThisMorning</comment>
        <translation>Jusqu’à &amp;ce matin, %1</translation>
    </message>
    <message>
        <source>Resume &amp;Alarms</source>
        <comment>strResumeAlarms</comment>
        <translation>Reprendre les &amp;alarmes</translation>
    </message>
    <message>
        <source>Not a reminder: the year is outside 1000 to 4000.</source>
        <comment>strNearMissYear</comment>
        <translation>Pas un rappel : l’année n’est pas entre 1000 et 4000.</translation>
    </message>
    <message>
        <source>Not a reminder: the hour is past 23.</source>
        <comment>strNearMissHour</comment>
        <translation>Pas un rappel : l’heure dépasse 23.</translation>
    </message>
    <message>
        <source>Read only up to the month, which is past 12: taken as %1.</source>
        <comment>strNearMissMonth</comment>
        <translation>Lu seulement jusqu’au mois, qui dépasse 12 : compris comme %1.</translation>
    </message>
    <message>
        <source>Read only up to the day, which is past 31: taken as %1.</source>
        <comment>strNearMissDay</comment>
        <translation>Lu seulement jusqu’au jour, qui dépasse 31 : compris comme %1.</translation>
    </message>
    <message>
        <source>Read only up to the hour, which is past 23: taken as %1.</source>
        <comment>strNearMissHourStops</comment>
        <translation>Lu seulement jusqu’à l’heure, qui dépasse 23 : compris comme %1.</translation>
    </message>
    <message>
        <source>The minutes are past 59 and were not read: taken as %1.</source>
        <comment>strNearMissMinute</comment>
        <translation>Les minutes dépassent 59 et n’ont pas été lues : compris comme %1.</translation>
    </message>
    <message>
        <source>The seconds are past 59 and were not read: taken as %1.</source>
        <comment>strNearMissSecond</comment>
        <translation>Les secondes dépassent 59 et n’ont pas été lues : compris comme %1.</translation>
    </message>
    <message>
        <source>The hour needs two digits, so the minutes were not read: taken as %1.</source>
        <comment>strNearMissOneDigitHour</comment>
        <translation>L’heure demande deux chiffres, donc les minutes n’ont pas été lues : compris comme %1.</translation>
    </message>
    <message>
        <source>No time of day follows &quot;!!&quot;: taken as %1.</source>
        <comment>strNearMissNoTime</comment>
        <translation>Aucune heure ne suit « !! » : compris comme %1.</translation>
    </message>
    <message>
        <source>The year has fewer than four digits: taken as %1, long past, so it never rings.</source>
        <comment>strNearMissShortYear</comment>
        <translation>L’année a moins de quatre chiffres : compris comme %1, passé depuis longtemps, donc ne sonne jamais.</translation>
    </message>
    <message>
        <source>A time without a date after &quot;!&quot;: taken as %1, long past, so it never rings.</source>
        <comment>strNearMissTimeOnly</comment>
        <translation>Une heure sans date après « ! » : compris comme %1, passé depuis longtemps, donc ne sonne jamais.</translation>
    </message>
    <message>
        <source>Weekday digits run from 1 (Monday) to 7 (Sunday); the others are skipped: %1.</source>
        <comment>strNearMissWeekday</comment>
        <translation>Les chiffres des jours vont de 1 (lundi) à 7 (dimanche) ; les autres sont ignorés : %1.</translation>
    </message>
    <message>
        <source>every day at %1</source>
        <comment>strNearMissDaily</comment>
        <translation>chaque jour à %1</translation>
    </message>
    <message>
        <source>%1 titles look like reminders but cannot be read</source>
        <comment>strNearMissCount</comment>
        <translation>%1 titres ressemblent à des rappels mais ne se lisent pas</translation>
    </message>
    <message>
        <source>1 title looks like a reminder but cannot be read</source>
        <comment>strNearMissCountOne</comment>
        <translation>1 titre ressemble à un rappel mais ne se lit pas</translation>
    </message>
    <message>
        <source>(%1 due) %2</source>
        <comment>strMainWindowTitleDue</comment>
        <translation>(%1 échu(s)) %2</translation>
    </message>
    <message>
        <source>Next: %1 — %2</source>
        <comment>strTrayNextReminder</comment>
        <translation>Prochain : %1 — %2</translation>
    </message>
    <message>
        <source>No reminder to come</source>
        <comment>strTrayNoNextReminder</comment>
        <translation>Aucun rappel à venir</translation>
    </message>
    <message>
        <source>Warning</source>
        <comment>strA11yWarning</comment>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Now due: %1</source>
        <comment>strA11yDueNow</comment>
        <translation>Échu maintenant : %1</translation>
    </message>
</context>
<context>
    <name>WinNewReminder</name>
    <message>
        <source>New Reminder</source>
        <translation>Nouveau rappel</translation>
    </message>
    <message>
        <source>&amp;Reminder:</source>
        <translation>&amp;Rappel :</translation>
    </message>
    <message>
        <source>What to be reminded of, e.g. Call Bob</source>
        <translation>Objet du rappel, par ex. Appeler Bob</translation>
    </message>
    <message>
        <source>&amp;When:</source>
        <translation>&amp;Quand :</translation>
    </message>
    <message>
        <source>Re&amp;peat:</source>
        <translation>Ré&amp;péter :</translation>
    </message>
    <message>
        <source>Once</source>
        <translation>Une fois</translation>
    </message>
    <message>
        <source>Every day</source>
        <translation>Tous les jours</translation>
    </message>
    <message>
        <source>On chosen weekdays</source>
        <translation>Certains jours de la semaine</translation>
    </message>
    <message>
        <source>&amp;Section:</source>
        <translation>&amp;Section :</translation>
    </message>
    <message>
        <source>Page title:</source>
        <translation>Titre de la page :</translation>
    </message>
</context>
<context>
    <name>WinPreferences</name>
    <message>
        <source>Preferences — RedoZevuviva</source>
        <translation>Préférences — RedoZevuviva</translation>
    </message>
    <message>
        <source>Microsoft account</source>
        <translation>Compte Microsoft</translation>
    </message>
    <message>
        <source>Application (client) &amp;id:</source>
        <translation>&amp;Identifiant d’application (client) :</translation>
    </message>
    <message>
        <source>The built-in application</source>
        <translation>L’application intégrée</translation>
    </message>
    <message>
        <source>To use your own registration, register an application in the Microsoft Entra admin center for personal Microsoft accounts and enter its id here. It takes effect at the next sign-in.</source>
        <translation>Pour utiliser votre propre inscription, inscrivez une application pour les comptes Microsoft personnels dans le centre d’administration Microsoft Entra et saisissez son identifiant ici. Il s’applique à la prochaine connexion.</translation>
    </message>
    <message>
        <source>Reminders</source>
        <translation>Rappels</translation>
    </message>
    <message>
        <source>New reminders &amp;go to:</source>
        <translation>Les nouveaux rappels vont &amp;dans :</translation>
    </message>
    <message>
        <source>Default s&amp;nooze:</source>
        <translation>&amp;Report par défaut :</translation>
    </message>
    <message>
        <source>Ring &amp;late for reminders that came due while the agent was not running</source>
        <translation>Sonner en re&amp;tard pour les rappels échus pendant que l’agent ne tournait pas</translation>
    </message>
    <message>
        <source>S&amp;tart at login</source>
        <translation>Lancer à l’ou&amp;verture de session</translation>
    </message>
    <message>
        <source>Also remind me on my &amp;phone (Microsoft To Do)</source>
        <translation>Me rappeler aussi sur mon télé&amp;phone (Microsoft To Do)</translation>
    </message>
    <message>
        <source>Keeps a task in Microsoft To Do for each reminder due within the next 14 days, for this account; ticking it there ticks it in OneNote.</source>
        <translation>Tient une tâche dans Microsoft To Do pour chaque rappel des 14 prochains jours, pour ce compte ; cochée là-bas, elle est cochée dans OneNote.</translation>
    </message>
    <message>
        <source>Alerts</source>
        <translation>Alertes</translation>
    </message>
    <message>
        <source>Play a &amp;sound</source>
        <translation>Jouer un &amp;son</translation>
    </message>
    <message>
        <source>Sound &amp;file:</source>
        <translation>&amp;Fichier son :</translation>
    </message>
    <message>
        <source>The built-in sound</source>
        <translation>Le son intégré</translation>
    </message>
    <message>
        <source>&amp;Choose…</source>
        <translation>&amp;Choisir…</translation>
    </message>
    <message>
        <source>T&amp;est</source>
        <translation>T&amp;ester</translation>
    </message>
    <message>
        <source>Show &amp;desktop notifications</source>
        <translation>Afficher les notifications du &amp;bureau</translation>
    </message>
    <message>
        <source>Notebooks</source>
        <translation>Blocs-notes</translation>
    </message>
    <message>
        <source>&amp;Watch these notebooks for reminders:</source>
        <translation>Surveiller ces b&amp;locs-notes pour les rappels :</translation>
    </message>
    <message>
        <source>&amp;Add a shared notebook…</source>
        <translation>&amp;Ajouter un bloc-notes partagé…</translation>
    </message>
    <message>
        <source>Play the alarm sound of the desktop&apos;s sound t&amp;heme</source>
        <translation>Jouer le son d’alarme du t&amp;hème sonore du bureau</translation>
    </message>
    <message>
        <source>A date without a time &amp;rings at:</source>
        <translation>Une date sans heure s&amp;onne à :</translation>
    </message>
    <message>
        <source>The time of day a reminder written with a date but no time rings at; 00:00 is midnight.</source>
        <translation>L’heure à laquelle sonne un rappel écrit avec une date mais sans heure ; 00:00 est minuit.</translation>
    </message>
    <message>
        <source>Notebooks to watch</source>
        <translation>Blocs-notes à surveiller</translation>
    </message>
</context>
</TS>
