<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutText</name>
    <message>
        <source>Turns photographs into a ZIP archive of JPEG thumbnails.</source>
        <translation>Macht aus Fotos ein ZIP-Archiv mit JPEG-Vorschaubildern.</translation>
    </message>
    <message>
        <source>Copyright 2026 The Plinkavorte developers. No licence has been granted for this program: all rights are reserved by its developers.</source>
        <translation>Copyright 2026 Die Entwickler von Plinkavorte. Für dieses Programm wurde keine Lizenz erteilt: Alle Rechte liegen bei seinen Entwicklern.</translation>
    </message>
    <message>
        <source>Made with:</source>
        <translation>Erstellt mit:</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>, 1 skipped: the archive already holds its name</source>
        <translation>, 1 übersprungen: Das Archiv enthält seinen Namen bereits</translation>
    </message>
    <message>
        <source>, %1 skipped: the archive already holds their names</source>
        <translation>, %1 übersprungen: Das Archiv enthält ihre Namen bereits</translation>
    </message>
    <message>
        <source>%1 added</source>
        <translation>%1 hinzugefügt</translation>
    </message>
    <message>
        <source>Working on %1 of %2: %3</source>
        <translation>Bearbeite %1 von %2: %3</translation>
    </message>
    <message>
        <source>Nothing added: its name is already in the archive</source>
        <translation>Nichts hinzugefügt: Sein Name ist schon im Archiv</translation>
    </message>
    <message>
        <source>Nothing added: all %1 names are already in the archive</source>
        <translation>Nichts hinzugefügt: Alle %1 Namen sind schon im Archiv</translation>
    </message>
    <message>
        <source>Done: </source>
        <translation>Fertig: </translation>
    </message>
    <message>
        <source>1 folder could not be read</source>
        <translation>1 Ordner konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>%1 folders could not be read</source>
        <translation>%1 Ordner konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2: </source>
        <translation>Angehalten nach %1 von %2: </translation>
    </message>
    <message>
        <source>Failed at %1 of %2 on the picture %3: </source>
        <translation>Fehlgeschlagen bei %1 von %2 am Bild %3: </translation>
    </message>
    <message>
        <source>Failed on the archive %1: nothing added</source>
        <translation>Fehlgeschlagen am Archiv %1: nichts hinzugefügt</translation>
    </message>
    <message>
        <source>Failed on the archive %1: </source>
        <translation>Fehlgeschlagen am Archiv %1: </translation>
    </message>
    <message>
        <source>Failed at %1 of %2: </source>
        <translation>Fehlgeschlagen bei %1 von %2: </translation>
    </message>
    <message>
        <source>No ZIP file named: type the archive&apos;s name, or choose it with the ... button</source>
        <translation>Keine ZIP-Datei angegeben: Namen des Archivs eingeben oder mit der Schaltfläche ... wählen</translation>
    </message>
    <message>
        <source>The list is empty: drop photos or folders onto it first</source>
        <translation>Die Liste ist leer: Zuerst Fotos oder Ordner darauf ziehen</translation>
    </message>
    <message>
        <source>Nothing on this desktop opens %1 or shows its folder</source>
        <translation>Nichts auf diesem Desktop öffnet %1 oder zeigt seinen Ordner</translation>
    </message>
    <message>
        <source>%1 Files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>Files %1/%2</source>
        <translation>Dateien %1/%2</translation>
    </message>
    <message>
        <source>There is no archive %1 yet: GO makes it</source>
        <translation>Das Archiv %1 gibt es noch nicht: GO legt es an</translation>
    </message>
</context>
<context>
    <name>TFilenameEdit</name>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>ZIP files (*.zip)</source>
        <translation>ZIP-Dateien (*.zip)</translation>
    </message>
</context>
<context>
    <name>TMainWindow</name>
    <message>
        <source>&amp;Inc subs</source>
        <translation>&amp;Unterordner</translation>
    </message>
    <message>
        <source>&amp;GO</source>
        <translation>&amp;GO</translation>
    </message>
    <message>
        <source>&amp;Frame</source>
        <translation>&amp;Rahmen</translation>
    </message>
    <message>
        <source>&amp;Square</source>
        <translation>&amp;Quadratisch</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>S&amp;TOP</source>
        <translation>S&amp;TOP</translation>
    </message>
    <message>
        <source>Frame colours - left button background - right button border - keys Space background, Shift+Space border</source>
        <translation>Rahmenfarben - linke Maustaste Hintergrund - rechte Maustaste Rand - Tasten Leertaste Hintergrund, Umschalt+Leertaste Rand</translation>
    </message>
    <message>
        <source>Include sub folders in file drop</source>
        <translation>Beim Ablegen Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Process file list</source>
        <translation>Dateiliste verarbeiten</translation>
    </message>
    <message>
        <source>Set thumbnail max size in pixels</source>
        <translation>Größte Seite des Vorschaubilds in Pixeln</translation>
    </message>
    <message>
        <source>Frame image</source>
        <translation>Bild rahmen</translation>
    </message>
    <message>
        <source>Set frame size in pixels</source>
        <translation>Rahmenbreite in Pixeln</translation>
    </message>
    <message>
        <source>Set frame square</source>
        <translation>Rahmen quadratisch</translation>
    </message>
    <message>
        <source>Select ZIP file </source>
        <translation>ZIP-Datei wählen </translation>
    </message>
    <message>
        <source>Open ZIP archive</source>
        <translation>ZIP-Archiv öffnen</translation>
    </message>
    <message>
        <source>Replace existing archive items</source>
        <translation>Vorhandene Archiveinträge ersetzen</translation>
    </message>
    <message>
        <source>STOP file processing</source>
        <translation>Verarbeitung ANHALTEN</translation>
    </message>
    <message>
        <source>Dragged files list - double-click to open view  window</source>
        <translation>Liste der abgelegten Dateien - Doppelklick öffnet das Vorschaufenster</translation>
    </message>
    <message>
        <source>Thumbnail size</source>
        <translation>Größe des Vorschaubilds</translation>
    </message>
    <message>
        <source>Frame width</source>
        <translation>Rahmenbreite</translation>
    </message>
    <message>
        <source>Archive file</source>
        <translation>Archivdatei</translation>
    </message>
    <message>
        <source>Choose the archive file</source>
        <translation>Archivdatei wählen</translation>
    </message>
    <message>
        <source>Frame colours</source>
        <translation>Rahmenfarben</translation>
    </message>
    <message>
        <source>Photos to process</source>
        <translation>Zu verarbeitende Fotos</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Add &amp;Photos…</source>
        <translation>&amp;Fotos hinzufügen…</translation>
    </message>
    <message>
        <source>Add Photos</source>
        <translation>Fotos hinzufügen</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Add &amp;Folder…</source>
        <translation>&amp;Ordner hinzufügen…</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Alles auswählen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>Ent&amp;fernen</translation>
    </message>
    <message>
        <source>Pre&amp;view</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>A&amp;bout Plinkavorte</source>
        <translation>Ü&amp;ber Plinkavorte</translation>
    </message>
    <message>
        <source>About Plinkavorte</source>
        <translation>Über Plinkavorte</translation>
    </message>
    <message>
        <source>Drop photos or folders here</source>
        <translation>Fotos oder Ordner hierher ziehen</translation>
    </message>
</context>
</TS>
