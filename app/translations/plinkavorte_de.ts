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
    <name>CoreMessage</name>
    <message>
        <source>Cannot insert file - no insertion support provided</source>
        <translation>Die Datei kann nicht eingefügt werden – das Einfügen wird nicht unterstützt</translation>
    </message>
    <message>
        <source>Cannot insert file - duplicates stored name</source>
        <translation>Die Datei kann nicht eingefügt werden – ihr Name ist im Archiv schon vorhanden</translation>
    </message>
    <message>
        <source>Process aborted by user</source>
        <translation>Vorgang vom Benutzer abgebrochen</translation>
    </message>
    <message>
        <source>Directory does not exist</source>
        <translation>Der Ordner existiert nicht</translation>
    </message>
    <message>
        <source>Archive does not exist - Filename is blank</source>
        <translation>Das Archiv existiert nicht – der Dateiname ist leer</translation>
    </message>
    <message>
        <source>Invalid file - not a PKZip file</source>
        <translation>Ungültige Datei – keine ZIP-Datei</translation>
    </message>
    <message>
        <source>Unhandled Archive Type</source>
        <translation>Nicht unterstützter Archivtyp</translation>
    </message>
    <message>
        <source>Spanning not supported by this Archive type</source>
        <translation>Dieser Archivtyp lässt sich nicht auf mehrere Datenträger verteilen</translation>
    </message>
    <message>
        <source>Cannot update an existing spanned disk set</source>
        <translation>Ein auf mehrere Datenträger verteiltes Archiv kann nicht geändert werden</translation>
    </message>
    <message>
        <source>Invalid Stream</source>
        <translation>Ungültiger Datenstrom</translation>
    </message>
    <message>
        <source>Full Path Required</source>
        <translation>Vollständiger Pfad erforderlich</translation>
    </message>
    <message>
        <source>Zlib deflate error. (Internal cause: %1)</source>
        <translation>Zlib-Fehler beim Komprimieren. (Interne Ursache: %1)</translation>
    </message>
    <message>
        <source>VMS: invalid origin %1, should be 0, 1, 2</source>
        <translation>VMS: Ungültiger Bezugspunkt %1, erlaubt sind 0, 1, 2</translation>
    </message>
    <message>
        <source>VMS: Cannot open swap file %1. %2</source>
        <translation>VMS: Die Auslagerungsdatei %1 kann nicht geöffnet werden. %2</translation>
    </message>
    <message>
        <source>VMS: Failed to seek in swap file %1</source>
        <translation>VMS: Positionieren in der Auslagerungsdatei %1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>VMS: Failed to write %1 bytes to swap file %2</source>
        <translation>VMS: %1 Bytes konnten nicht in die Auslagerungsdatei %2 geschrieben werden</translation>
    </message>
    <message>
        <source>VMS: Failed to read %1 bytes from swap file %2</source>
        <translation>VMS: %1 Bytes konnten nicht aus der Auslagerungsdatei %2 gelesen werden</translation>
    </message>
    <message>
        <source>Zip record field longer than 65535 bytes</source>
        <translation>Ein Feld eines ZIP-Eintrags ist länger als 65535 Bytes</translation>
    </message>
    <message>
        <source>The archive file was changed or replaced by another program since it was opened - nothing written</source>
        <translation>Die Archivdatei wurde seit dem Öffnen von einem anderen Programm geändert oder ersetzt – nichts geschrieben</translation>
    </message>
    <message>
        <source>The archive file could not be opened for writing - open the archive again</source>
        <translation>Die Archivdatei konnte nicht zum Schreiben geöffnet werden – bitte das Archiv neu öffnen</translation>
    </message>
    <message>
        <source>Not enough free space on the disk for the archive - nothing written</source>
        <translation>Nicht genug freier Platz auf dem Datenträger für das Archiv – nichts geschrieben</translation>
    </message>
    <message>
        <source>The archive would grow past the largest file the disk&apos;s file system holds (4 GB on FAT) - nothing written</source>
        <translation>Das Archiv würde größer als die größte Datei, die das Dateisystem des Datenträgers fasst (4 GB bei FAT) – nichts geschrieben</translation>
    </message>
    <message>
        <source>The change would rewrite more than 2 GB of the archive at once - nothing written</source>
        <translation>Die Änderung würde mehr als 2 GB des Archivs auf einmal neu schreiben – nichts geschrieben</translation>
    </message>
    <message>
        <source>The archive has bytes after its end record, which adding to it would lose - nothing written</source>
        <translation>Das Archiv hat Bytes hinter seinem Endeintrag, die beim Hinzufügen verloren gingen – nichts geschrieben</translation>
    </message>
    <message>
        <source>The archive would exceed the spanning threshold; split archives are not written - nothing written</source>
        <translation>Das Archiv würde die Grenze für geteilte Archive überschreiten; geteilte Archive werden nicht geschrieben – nichts geschrieben</translation>
    </message>
    <message>
        <source>The archive&apos;s records disagree on the size of &quot;%1&quot;, so where it ends is uncertain - nothing written</source>
        <translation>Die Einträge des Archivs nennen verschiedene Größen für „%1“, daher ist unklar, wo die Datei endet – nichts geschrieben</translation>
    </message>
    <message>
        <source>Archive comment longer than 65535 bytes</source>
        <translation>Der Archivkommentar ist länger als 65535 Bytes</translation>
    </message>
    <message>
        <source>%1 is a folder</source>
        <translation>%1 ist ein Ordner</translation>
    </message>
    <message>
        <source>%1 is a link to a missing file</source>
        <translation>%1 ist ein Verweis auf eine fehlende Datei</translation>
    </message>
    <message>
        <source>Cannot add to %1: %2</source>
        <translation>Zu %1 kann nichts hinzugefügt werden: %2</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht geöffnet werden. %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>Stream read error</source>
        <translation>Lesefehler im Datenstrom</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Schreibfehler im Datenstrom</translation>
    </message>
    <message>
        <source>Cannot open clipboard</source>
        <translation>Die Zwischenablage kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Unable to insert a line</source>
        <translation>Es kann keine Zeile mehr eingefügt werden</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Listenindex außerhalb des gültigen Bereichs (%1)</translation>
    </message>
    <message>
        <source>Unknown exception</source>
        <translation>Unbekannter Fehler</translation>
    </message>
    <message>
        <source>JPEG error #%1</source>
        <translation>JPEG-Fehler Nr. %1</translation>
    </message>
    <message>
        <source>JPEG error: %1</source>
        <translation>JPEG-Fehler: %1</translation>
    </message>
    <message>
        <source>cannot read %1 picture: %2</source>
        <translation>%1-Bild kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Cannot read file &quot;%1&quot;. It holds %2 MB, more than the %3 MB a picture may take.</source>
        <translation>Die Datei „%1“ kann nicht gelesen werden. Sie enthält %2 MB, mehr als die %3 MB, die ein Bild belegen darf.</translation>
    </message>
    <message>
        <source>Scan line index out of range</source>
        <translation>Bildzeile außerhalb des gültigen Bereichs</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>Die Datei ist leer</translation>
    </message>
    <message>
        <source>the file is damaged</source>
        <translation>Die Datei ist beschädigt</translation>
    </message>
    <message>
        <source>the file is cut short</source>
        <translation>Die Datei ist abgeschnitten</translation>
    </message>
    <message>
        <source>the file is cut short or cannot be read</source>
        <translation>Die Datei ist abgeschnitten oder nicht lesbar</translation>
    </message>
    <message>
        <source>the file changed while it was read</source>
        <translation>Die Datei wurde beim Lesen geändert</translation>
    </message>
    <message>
        <source>the file holds %1 MB, more than one picture may take</source>
        <translation>Die Datei enthält %1 MB, mehr als ein Bild belegen darf</translation>
    </message>
    <message>
        <source>%1 x %2 pixels need more memory than one picture may take</source>
        <translation>%1 x %2 Pixel brauchen mehr Speicher, als ein Bild belegen darf</translation>
    </message>
    <message>
        <source>more than %1 scans</source>
        <translation>Mehr als %1 Scans</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>Nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>unsupported feature</source>
        <translation>Nicht unterstützte Funktion</translation>
    </message>
    <message>
        <source>the decoder cannot start</source>
        <translation>Der Decoder kann nicht starten</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>Das Bild hat keine Pixel</translation>
    </message>
    <message>
        <source>the picture data is damaged</source>
        <translation>Die Bilddaten sind beschädigt</translation>
    </message>
    <message>
        <source>the animation&apos;s first frame is damaged</source>
        <translation>Das erste Bild der Animation ist beschädigt</translation>
    </message>
    <message>
        <source>not a WebP file</source>
        <translation>Keine WebP-Datei</translation>
    </message>
    <message>
        <source>not a TIFF file</source>
        <translation>Keine TIFF-Datei</translation>
    </message>
    <message>
        <source>not a kind of RAW file libraw can read</source>
        <translation>Keine RAW-Datei, die libraw lesen kann</translation>
    </message>
    <message>
        <source>the sensor data is cut short or damaged</source>
        <translation>Die Sensordaten sind abgeschnitten oder beschädigt</translation>
    </message>
    <message>
        <source>the sensor data gave no picture</source>
        <translation>Die Sensordaten ergaben kein Bild</translation>
    </message>
    <message>
        <source>its folder is not writable, and there is no folder for the commit journal (%1).</source>
        <translation>Der Ordner des Archivs ist nicht beschreibbar, und es gibt keinen Ordner für das Journal des Schreibvorgangs (%1).</translation>
    </message>
    <message>
        <source>the journal of an interrupted commit, %1, %2</source>
        <translation>Das Journal eines unterbrochenen Schreibvorgangs, %1, %2</translation>
    </message>
    <message>
        <source>cannot be removed for good: %1</source>
        <translation>kann nicht endgültig entfernt werden: %1</translation>
    </message>
    <message>
        <source>cannot be removed: %1</source>
        <translation>kann nicht entfernt werden: %1</translation>
    </message>
    <message>
        <source>must put the archive back, and the archive cannot be written: %1</source>
        <translation>muss das Archiv wiederherstellen, doch das Archiv ist nicht beschreibbar: %1</translation>
    </message>
    <message>
        <source>does not match the archive as it is now; the journal is kept</source>
        <translation>passt nicht zum jetzigen Stand des Archivs; das Journal bleibt erhalten</translation>
    </message>
    <message>
        <source>cannot put the archive back: %1</source>
        <translation>kann das Archiv nicht wiederherstellen: %1</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>was written by a newer version of Plinkavorte</source>
        <translation>wurde von einer neueren Version von Plinkavorte geschrieben</translation>
    </message>
    <message>
        <source>cannot make %1: %2</source>
        <translation>%1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>cannot sync %1: %2</source>
        <translation>%1 kann nicht auf den Datenträger geschrieben werden: %2</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 ist kein Ordner</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 existiert nicht</translation>
    </message>
    <message>
        <source>%1 is not the user&apos;s own folder</source>
        <translation>%1 ist kein eigener Ordner des Benutzers</translation>
    </message>
    <message>
        <source>HOME is not set</source>
        <translation>HOME ist nicht gesetzt</translation>
    </message>
    <message>
        <source>Not a regular file.</source>
        <translation>Keine reguläre Datei.</translation>
    </message>
    <message>
        <source>no block type allowed</source>
        <translation>kein Blocktyp erlaubt</translation>
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
