<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>Texts</name>
    <message>
        <source>Korvane ini files (*.kvini)</source>
        <translation>Korvane-INI-Dateien (*.kvini)</translation>
    </message>
    <message>
        <source>%1
The configuration was not saved.</source>
        <translation>%1
Die Konfiguration wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>Signal generator frequency</source>
        <translation>Frequenz des Signalgenerators</translation>
    </message>
    <message>
        <source>%1 frequency</source>
        <translation>Frequenz %1</translation>
    </message>
    <message>
        <source>Reference</source>
        <translation>Referenz</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>
No number in: %1.</source>
        <translation>
Keine Zahl in: %1.</translation>
    </message>
    <message>
        <source>%1
The field keeps its value.</source>
        <translation>%1
Das Feld behält seinen Wert.</translation>
    </message>
    <message>
        <source>Registers</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>Updating Firmware</source>
        <translation>Firmware wird aktualisiert</translation>
    </message>
    <message>
        <source>Please wait</source>
        <translation>Bitte warten</translation>
    </message>
    <message>
        <source>Please reconnect the board.</source>
        <translation>Bitte verbinden Sie die Platine erneut.</translation>
    </message>
    <message>
        <source>Firmware information</source>
        <translation>Firmware-Information</translation>
    </message>
    <message>
        <source>Firmware files (*.img)</source>
        <translation>Firmware-Dateien (*.img)</translation>
    </message>
    <message>
        <source>File: %1 is not a valid firmware image!</source>
        <translation>Datei: %1 ist kein gültiges Firmware-Abbild!</translation>
    </message>
    <message>
        <source>The multiplier must be a whole number from 1 to 64.</source>
        <translation>Der Multiplikator muss eine ganze Zahl von 1 bis 64 sein.</translation>
    </message>
    <message>
        <source>The offset must be a number of MHz within +-1000000 (negative for an LO above the signal).</source>
        <translation>Der Versatz muss eine Zahl in MHz innerhalb von +-1000000 sein (negativ für einen LO oberhalb des Signals).</translation>
    </message>
    <message>
        <source>Use &quot;Repair...&quot; to write its firmware; the board stays in its bootloader until then.</source>
        <translation>Schreiben Sie ihre Firmware mit „Reparieren...“; bis dahin bleibt die Platine in ihrem Bootloader.</translation>
    </message>
    <message>
        <source>The board now waits in its bootloader with part of the new firmware; &quot;Repair...&quot; finishes the update.</source>
        <translation>Die Platine wartet jetzt mit einem Teil der neuen Firmware in ihrem Bootloader; „Reparieren...“ schließt die Aktualisierung ab.</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>Fehler!</translation>
    </message>
    <message>
        <source>%1
Nothing was loaded.</source>
        <translation>%1
Es wurde nichts geladen.</translation>
    </message>
    <message>
        <source>%1
Nothing was sent.</source>
        <translation>%1
Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>%1 Nothing was sent.</source>
        <translation>%1 Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>The board refused &quot;%1&quot; (it answered &quot;%2&quot;).</source>
        <translation>Die Platine hat „%1“ abgelehnt (Antwort „%2“).</translation>
    </message>
    <message>
        <source>exact</source>
        <translation>exakt</translation>
    </message>
    <message>
        <source>%1 from %2 MHz</source>
        <translation>%1 von %2 MHz</translation>
    </message>
    <message>
        <source>Chip:</source>
        <translation>Chip:</translation>
    </message>
    <message>
        <source>Chip (%1):</source>
        <translation>Chip (%1):</translation>
    </message>
    <message>
        <source>/ %1 RF, output %2</source>
        <translation>/ %1 HF, Ausgang %2</translation>
    </message>
    <message>
        <source>%1 at RF (output %2 MHz, %3)</source>
        <translation>%1 bei HF (Ausgang %2 MHz, %3)</translation>
    </message>
    <message>
        <source>%1 RF (output %2 MHz, %3)</source>
        <translation>%1 HF (Ausgang %2 MHz, %3)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; MHz is out of the %2&apos;s reach: its counters come no nearer than %3 MHz.</source>
        <translation>„%1“ MHz liegt außer Reichweite des %2: seine Zähler kommen nicht näher als %3 MHz.</translation>
    </message>
    <message>
        <source>The output %1 MHz lies outside the %2&apos;s band for %3 (%4 to %5 MHz); it is sent as typed and may not lock.</source>
        <translation>Der Ausgang %1 MHz liegt außerhalb des Bands des %2 für %3 (%4 bis %5 MHz); er wird wie eingegeben gesendet und rastet vielleicht nicht ein.</translation>
    </message>
    <message>
        <source>%1 MHz lies outside the %2&apos;s band for %3 (%4 to %5 MHz); it is sent as typed and may not lock.</source>
        <translation>%1 MHz liegt außerhalb des Bands des %2 für %3 (%4 bis %5 MHz); die Frequenz wird wie eingegeben gesendet und rastet vielleicht nicht ein.</translation>
    </message>
    <message>
        <source>Update...</source>
        <translation>Aktualisieren...</translation>
    </message>
    <message>
        <source>Repair...</source>
        <translation>Reparieren...</translation>
    </message>
    <message>
        <source>%1 MHz RF%2, output %3 MHz</source>
        <translation>%1 MHz HF%2, Ausgang %3 MHz</translation>
    </message>
    <message>
        <source>/ out of reach</source>
        <translation>/ außer Reichweite</translation>
    </message>
    <message>
        <source>Signal generator</source>
        <translation>Signalgenerator</translation>
    </message>
    <message>
        <source>RF %1 MHz, plan %2: the board makes (RF - offset) / %3
</source>
        <translation>HF %1 MHz, Plan %2: die Platine erzeugt (HF - Versatz) / %3
</translation>
    </message>
    <message>
        <source>No register words: the reference frequency is not valid.
</source>
        <translation>Keine Registerwörter: die Referenzfrequenz ist nicht gültig.
</translation>
    </message>
    <message>
        <source>No register words: the frequency is not a number.
</source>
        <translation>Keine Registerwörter: die Frequenz ist keine Zahl.
</translation>
    </message>
    <message>
        <source>

Real frequency %1 MHz%2, PFD %3 MHz, output divider %4

</source>
        <translation>

Tatsächliche Frequenz %1 MHz%2, PFD %3 MHz, Ausgangsteiler %4

</translation>
    </message>
    <message>
        <source>  [expert]</source>
        <translation>  [Experte]</translation>
    </message>
    <message>
        <source>  [board]</source>
        <translation>  [Platine]</translation>
    </message>
    <message>
        <source>
Note: %1</source>
        <translation>
Hinweis: %1</translation>
    </message>
    <message>
        <source>
Refused: %1</source>
        <translation>
Abgelehnt: %1</translation>
    </message>
    <message>
        <source> set by you</source>
        <translation> von Ihnen gesetzt</translation>
    </message>
    <message>
        <source> as the board holds it</source>
        <translation> wie auf der Platine</translation>
    </message>
    <message>
        <source>Expert settings: %1 field differs from Korvane&apos;s (%2).</source>
        <translation>Experteneinstellungen: %1 Feld weicht von Korvanes Wert ab (%2).</translation>
    </message>
    <message>
        <source>Expert settings: %1 fields differ from Korvane&apos;s (%2).</source>
        <translation>Experteneinstellungen: %1 Felder weichen von Korvanes Werten ab (%2).</translation>
    </message>
    <message>
        <source>Sweep</source>
        <translation>Wobbeln</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Start, stop and step must be numbers in MHz.</source>
        <translation>Start, Stopp und Schritt müssen Zahlen in MHz sein.</translation>
    </message>
    <message>
        <source>The sweep has no points: %1.</source>
        <translation>Der Durchlauf hat keine Punkte: %1.</translation>
    </message>
    <message>
        <source>Dwell and passes must be whole numbers (0 passes runs until Stop).</source>
        <translation>Verweildauer und Durchläufe müssen ganze Zahlen sein (0 Durchläufe laufen bis Stopp).</translation>
    </message>
    <message>
        <source>%1 MHz is outside the outputs of this board.</source>
        <translation>%1 MHz liegt außerhalb der Ausgänge dieser Platine.</translation>
    </message>
    <message>
        <source>Stopped after %1 point.</source>
        <translation>Angehalten nach %1 Punkt.</translation>
    </message>
    <message>
        <source>Stopped after %1 points.</source>
        <translation>Angehalten nach %1 Punkten.</translation>
    </message>
    <message>
        <source>Done after %1 point.</source>
        <translation>Fertig nach %1 Punkt.</translation>
    </message>
    <message>
        <source>Done after %1 points.</source>
        <translation>Fertig nach %1 Punkten.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was not found.</source>
        <translation>„%1“ wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no frequency list: %2.
Nothing was loaded.</source>
        <translation>„%1“ ist keine Frequenzliste: %2.
Es wurde nichts geladen.</translation>
    </message>
    <message>
        <source>%1
The points were not saved.</source>
        <translation>%1
Die Punkte wurden nicht gespeichert.</translation>
    </message>
    <message>
        <source>Configuration was saved to flash memory!

NOTE: Autonomus mode is activated only by powering synth board from the external power supply or USB charger. You can not activate autonomous mode if board is connected to the computer.</source>
        <translation>Die Konfiguration wurde im Flash-Speicher gesichert!

HINWEIS: Der autonome Betrieb beginnt nur, wenn die Synthesizer-Platine von einem externen Netzteil oder USB-Ladegerät versorgt wird. Solange die Platine mit dem Computer verbunden ist, lässt sich der autonome Betrieb nicht aktivieren.</translation>
    </message>
    <message>
        <source>SOME FREQUENCIES APPEARED OUTSIDE SYNTHESIZER CHIP BAND! YOUR CONFIGURATION MAY NOT WORK STABLE, OR MAY NOT WORK AT ALL!

</source>
        <translation>EINIGE FREQUENZEN LIEGEN AUSSERHALB DES BANDS DES SYNTHESIZER-CHIPS! IHRE KONFIGURATION ARBEITET MÖGLICHERWEISE NICHT STABIL ODER GAR NICHT!

</translation>
    </message>
    <message>
        <source>Please enter valid parameters values! Can not save parameters to flash memory!</source>
        <translation>Bitte geben Sie gültige Parameterwerte ein! Die Parameter können nicht im Flash-Speicher gesichert werden!</translation>
    </message>
    <message>
        <source>The beacon text must not contain &quot;;&quot;: the board would end the text there and take the rest for a command.
Nothing was saved to flash memory.</source>
        <translation>Der Bakentext darf kein „;“ enthalten: die Platine würde den Text dort beenden und den Rest als Befehl lesen.
Es wurde nichts im Flash-Speicher gesichert.</translation>
    </message>
    <message>
        <source>%1
Nothing was saved to flash memory.</source>
        <translation>%1
Es wurde nichts im Flash-Speicher gesichert.</translation>
    </message>
    <message>
        <source>Stopped before the save was committed: nothing was written to flash memory.</source>
        <translation>Vor dem Abschluss des Sicherns angehalten: es wurde nichts in den Flash-Speicher geschrieben.</translation>
    </message>
    <message>
        <source>There was an error during saving parameters to flash memory!</source>
        <translation>Beim Sichern der Parameter im Flash-Speicher ist ein Fehler aufgetreten!</translation>
    </message>
    <message>
        <source>Firmware was updated. Please reconnect the board.</source>
        <translation>Die Firmware wurde aktualisiert. Bitte verbinden Sie die Platine erneut.</translation>
    </message>
    <message>
        <source>Cannot erase page %1!</source>
        <translation>Seite %1 kann nicht gelöscht werden!</translation>
    </message>
    <message>
        <source>Address setting error!</source>
        <translation>Fehler beim Setzen der Adresse!</translation>
    </message>
    <message>
        <source>Error writing address %1h!</source>
        <translation>Fehler beim Schreiben der Adresse %1h!</translation>
    </message>
    <message>
        <source>Could not find Synth board!</source>
        <translation>Synthesizer-Platine nicht gefunden!</translation>
    </message>
    <message>
        <source>Communication eror!</source>
        <translation>Kommunikationsfehler!</translation>
    </message>
    <message>
        <source>Automatic PLL chip identification works only with HW version 3 or higher.
Please set the correct chip type manually and reconnect the board.</source>
        <translation>Die automatische Erkennung des PLL-Chips funktioniert erst ab HW-Version 3.
Bitte stellen Sie den richtigen Chiptyp von Hand ein und verbinden Sie die Platine erneut.</translation>
    </message>
    <message>
        <source>Automatic PLL chip identification works only with FW version 3.01 or higher.
Please update board firmware if you want to use automatic chip identification.
Or set the correct chip type manually and reconnect the board.</source>
        <translation>Die automatische Erkennung des PLL-Chips funktioniert erst ab FW-Version 3.01.
Bitte aktualisieren Sie die Firmware der Platine, wenn Sie die automatische Chiperkennung nutzen möchten.
Oder stellen Sie den richtigen Chiptyp von Hand ein und verbinden Sie die Platine erneut.</translation>
    </message>
    <message>
        <source>The board may still be on a test setting from the chip identification (slot 4 at 6000 MHz, +5 dBm). Switch the board off and on (it starts from the settings saved in its flash) and connect again to clear it.</source>
        <translation>Die Platine steht womöglich noch auf einer Testeinstellung der Chiperkennung (Platz 4 bei 6000 MHz, +5 dBm). Schalten Sie die Platine aus und wieder ein (sie startet mit den in ihrem Flash gesicherten Einstellungen) und verbinden Sie erneut, um sie zu löschen.</translation>
    </message>
    <message>
        <source>The board waits in its bootloader with a partial image; run `korvane-cli flash` (without --connected) to finish the update.</source>
        <translation>Die Platine wartet mit einem unvollständigen Abbild in ihrem Bootloader; führen Sie `korvane-cli flash` (ohne --connected) aus, um die Aktualisierung abzuschließen.</translation>
    </message>
    <message>
        <source>Connection with device lost!</source>
        <translation>Verbindung zum Gerät verloren!</translation>
    </message>
    <message>
        <source>Cannot connect to board bootloader!</source>
        <translation>Keine Verbindung zum Bootloader der Platine!</translation>
    </message>
    <message>
        <source>Entering Bootloader...</source>
        <translation>Bootloader wird gestartet...</translation>
    </message>
    <message>
        <source>Erasing Flash...</source>
        <translation>Flash wird gelöscht...</translation>
    </message>
    <message>
        <source>Flashing Firmware...</source>
        <translation>Firmware wird geschrieben...</translation>
    </message>
    <message>
        <source>Firmware version %1 from %2. 
S/N %3</source>
        <translation>Firmware-Version %1 vom %2. 
S/N %3</translation>
    </message>
    <message>
        <source>Bootloader v%1</source>
        <translation>Bootloader v%1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds no Korvane configuration (no [SigGen], [Freqs] or [Beacon] settings).</source>
        <translation>„%1“ enthält keine Korvane-Konfiguration (keine Einstellungen in [SigGen], [Freqs] oder [Beacon]).</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a frequency</source>
        <translation>„%1“ ist keine Frequenz</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is written with a thousands separator</source>
        <translation>„%1“ ist mit Tausendertrennzeichen geschrieben</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a frequency in MHz</source>
        <translation>„%1“ ist keine Frequenz in MHz</translation>
    </message>
    <message>
        <source>no frequency in the first column</source>
        <translation>keine Frequenz in der ersten Spalte</translation>
    </message>
    <message>
        <source>more than a million points</source>
        <translation>mehr als eine Million Punkte</translation>
    </message>
    <message>
        <source>no frequency in the list (one number in MHz per line, or the first column of a CSV file)</source>
        <translation>keine Frequenz in der Liste (eine Zahl in MHz je Zeile oder die erste Spalte einer CSV-Datei)</translation>
    </message>
    <message>
        <source>STEP must be above 0 (a sweep from a higher START goes down)</source>
        <translation>SCHRITT muss größer als 0 sein (ein Durchlauf von einem höheren START läuft abwärts)</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>baud rate</source>
        <translation>die Baudrate</translation>
    </message>
    <message>
        <source>data bits</source>
        <translation>die Datenbits</translation>
    </message>
    <message>
        <source>parity</source>
        <translation>die Parität</translation>
    </message>
    <message>
        <source>stop bits</source>
        <translation>die Stoppbits</translation>
    </message>
    <message>
        <source>flow control</source>
        <translation>die Flusssteuerung</translation>
    </message>
    <message>
        <source>The port opened, but no board answered with the expected banner.</source>
        <translation>Der Port wurde geöffnet, aber keine Platine hat mit der erwarteten Kennung geantwortet.</translation>
    </message>
    <message>
        <source>%1 did not agree to serial-port control within %2 ms; going on without it, with the line settings unconfirmed.</source>
        <translation>%1 hat der Steuerung der seriellen Schnittstelle nicht innerhalb von %2 ms zugestimmt; es geht ohne sie weiter, die Leitungseinstellungen bleiben unbestätigt.</translation>
    </message>
    <message>
        <source>%1 not found: no such device; check that the board is plugged in.</source>
        <translation>%1 nicht gefunden: Dieses Gerät gibt es nicht; prüfen Sie, ob die Platine angeschlossen ist.</translation>
    </message>
    <message>
        <source>%1 is a directory, not a serial device.</source>
        <translation>%1 ist ein Verzeichnis, keine serielle Schnittstelle.</translation>
    </message>
    <message>
        <source>%1 is a regular file, not a serial device.</source>
        <translation>%1 ist eine gewöhnliche Datei, keine serielle Schnittstelle.</translation>
    </message>
    <message>
        <source>%1 is not a serial device.</source>
        <translation>%1 ist keine serielle Schnittstelle.</translation>
    </message>
    <message>
        <source>Permission denied: %1.</source>
        <translation>Zugriff verweigert: %1.</translation>
    </message>
    <message>
        <source>Permission denied: %1 belongs to the group %2, so only an administrator can open it.</source>
        <translation>Zugriff verweigert: %1 gehört der Gruppe %2, daher kann nur ein Administrator die Schnittstelle öffnen.</translation>
    </message>
    <message>
        <source>Permission denied: %1 belongs to the group %2. Add your user to it with: sudo usermod -aG %2 $USER, then log out and in again.</source>
        <translation>Zugriff verweigert: %1 gehört der Gruppe %2. Nehmen Sie Ihren Benutzer mit sudo usermod -aG %2 $USER in die Gruppe auf, melden Sie sich dann ab und wieder an.</translation>
    </message>
    <message>
        <source>%1 is in use by another program.</source>
        <translation>%1 wird von einem anderen Programm benutzt.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <translation>%1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>Cannot set up %1: %2.</source>
        <translation>%1 kann nicht eingerichtet werden: %2.</translation>
    </message>
    <message>
        <source>%1 is not a network port; write tcp://HOST:PORT or rfc2217://HOST:PORT.</source>
        <translation>%1 ist kein Netzwerk-Port; schreiben Sie tcp://HOST:PORT oder rfc2217://HOST:PORT.</translation>
    </message>
    <message>
        <source>Connecting to %1 was cancelled.</source>
        <translation>Die Verbindung mit %1 wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Looking up %1 for %2 took too long.</source>
        <translation>Die Namensauflösung von %1 für %2 hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>The host %1 of %2 is not known; check the name.</source>
        <translation>Der Rechner %1 von %2 ist unbekannt; prüfen Sie den Namen.</translation>
    </message>
    <message>
        <source>Cannot look up %1 for %2: %3.</source>
        <translation>Der Name %1 für %2 lässt sich nicht auflösen: %3.</translation>
    </message>
    <message>
        <source>%1 refused the connection; check that ser2net serves this port.</source>
        <translation>%1 hat die Verbindung abgelehnt; prüfen Sie, ob ser2net diesen Port bereitstellt.</translation>
    </message>
    <message>
        <source>%1 did not answer within %2 ms; check the address and the network.</source>
        <translation>%1 hat nicht innerhalb von %2 ms geantwortet; prüfen Sie die Adresse und das Netzwerk.</translation>
    </message>
    <message>
        <source>Cannot connect to %1: %2.</source>
        <translation>Keine Verbindung mit %1: %2.</translation>
    </message>
    <message>
        <source>%1 closed the connection while it was being set up.</source>
        <translation>%1 hat die Verbindung während der Einrichtung geschlossen.</translation>
    </message>
    <message>
        <source>%1 closed the connection while it was being set up: &quot;%2&quot;</source>
        <translation>%1 hat die Verbindung während der Einrichtung geschlossen: „%2“</translation>
    </message>
    <message>
        <source>%1 did not agree to serial-port control within %2 ms.</source>
        <translation>%1 hat der Steuerung der seriellen Schnittstelle nicht innerhalb von %2 ms zugestimmt.</translation>
    </message>
    <message>
        <source>%1 did not confirm 4800 baud 8N1 within %2 ms.</source>
        <translation>%1 hat 4800 Baud 8N1 nicht innerhalb von %2 ms bestätigt.</translation>
    </message>
    <message>
        <source>%1 sent more than %2 KiB of data before it agreed to serial-port control; check that it serves the board&apos;s port with serial-port control.</source>
        <translation>%1 hat mehr als %2 KiB Daten gesendet, bevor der Server der Steuerung der seriellen Schnittstelle zugestimmt hat; prüfen Sie, ob der Server den Port der Platine mit Steuerung der seriellen Schnittstelle bereitstellt.</translation>
    </message>
    <message>
        <source>%1 sent more than %2 KiB of data before it confirmed the line settings; check that it serves the board&apos;s port with serial-port control.</source>
        <translation>%1 hat mehr als %2 KiB Daten gesendet, bevor der Server die Leitungseinstellungen bestätigt hat; prüfen Sie, ob der Server den Port der Platine mit Steuerung der seriellen Schnittstelle bereitstellt.</translation>
    </message>
    <message>
        <source>%1 does not offer serial-port control; for a raw port write tcp:// instead.</source>
        <translation>%1 bietet keine Steuerung der seriellen Schnittstelle an; schreiben Sie für einen einfachen Port stattdessen tcp://.</translation>
    </message>
    <message>
        <source>%1 was asked to set the %2 to %3 and answered %4 (%5).</source>
        <translation>%1 sollte %2 auf %3 setzen und hat %4 (%5) geantwortet.</translation>
    </message>
    <message>
        <source>The board answered from its bootloader: its firmware is not running, as after an update that did not finish.</source>
        <translation>Die Platine hat aus ihrem Bootloader geantwortet: Ihre Firmware läuft nicht, wie nach einer nicht abgeschlossenen Aktualisierung.</translation>
    </message>
    <message>
        <source>%1 closed the connection before a board answered.</source>
        <translation>%1 hat die Verbindung geschlossen, bevor eine Platine geantwortet hat.</translation>
    </message>
    <message>
        <source>%1 closed the connection before a board answered: &quot;%2&quot;</source>
        <translation>%1 hat die Verbindung geschlossen, bevor eine Platine geantwortet hat: „%2“</translation>
    </message>
    <message>
        <source>Cannot set up %1: the device is not a serial port.</source>
        <translation>%1 kann nicht eingerichtet werden: Das Gerät ist keine serielle Schnittstelle.</translation>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>The %1 has no such field.</source>
        <translation>Der %1 hat kein solches Feld.</translation>
    </message>
    <message>
        <source>%1 is computed from the frequency, power, output and reference; it cannot be set.</source>
        <translation>%1 wird aus Frequenz, Leistung, Ausgang und Referenz berechnet; es kann nicht gesetzt werden.</translation>
    </message>
    <message>
        <source>%1 cannot be %2 on the %3; it takes %4.</source>
        <translation>%1 kann beim %3 nicht %2 sein; möglich sind %4.</translation>
    </message>
    <message>
        <source>The band-select clock divider must not be 0.</source>
        <translation>Der Teiler des Band-Select-Takts darf nicht 0 sein.</translation>
    </message>
    <message>
        <source>With the band-select clock mode high the %1 takes a band-select clock divider of at most %2, not %3.</source>
        <translation>Mit hohem Band-Select-Taktmodus verträgt der %1 einen Band-Select-Taktteiler von höchstens %2, nicht %3.</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>The band-select clock would run at %1 kHz (%2 MHz comparison frequency / %3), faster than the %4 kHz the %5 takes. Set %6 to a divider of at least %7.</source>
        <translation>Der Band-Select-Takt liefe mit %1 kHz (%2 MHz Vergleichsfrequenz / %3), schneller als die %4 kHz, die der %5 verträgt. Setzen Sie %6 auf einen Teiler von mindestens %7.</translation>
    </message>
    <message>
        <source>%1 %2 must be below the modulus %3 %4 of this frequency.</source>
        <translation>%1 %2 muss kleiner sein als der Modulus %3 %4 dieser Frequenz.</translation>
    </message>
    <message>
        <source>The %1 takes &quot;VAS_DLY&quot; %2 with &quot;VAS_TEMP&quot; %3, not %4 (VAS_DLY 3 goes with VAS_TEMP 1, VAS_DLY 0 with VAS_TEMP 0).</source>
        <translation>Der %1 verlangt „VAS_DLY“ %2 bei „VAS_TEMP“ %3, nicht %4 (VAS_DLY 3 gehört zu VAS_TEMP 1, VAS_DLY 0 zu VAS_TEMP 0).</translation>
    </message>
    <message>
        <source>With the %1 prescaler the %2 takes an INT of at least %3; this frequency has %4.</source>
        <translation>Mit dem %1-Vorteiler verlangt der %2 einen INT von mindestens %3; diese Frequenz hat %4.</translation>
    </message>
    <message>
        <source>The 4/5 prescaler of the %1 takes the VCO up to %2 MHz; this frequency runs it at %3 MHz. Keep &quot;PRESCALER&quot; at 8/9.</source>
        <translation>Der 4/5-Vorteiler des %1 verträgt den VCO bis %2 MHz; diese Frequenz betreibt ihn mit %3 MHz. Lassen Sie „PRESCALER“ auf 8/9.</translation>
    </message>
    <message>
        <source>the stored words are not an %1&apos;s (R%2 holds bits %3h, which only the %4 uses); Korvane&apos;s values are used for its settings.</source>
        <translation>die gespeicherten Wörter stammen nicht von einem %1 (R%2 enthält die Bits %3h, die nur der %4 verwendet); für seine Einstellungen gelten die Werte von Korvane.</translation>
    </message>
    <message>
        <source>the stored words give %1 MHz, outside what the %2 makes on %3; Korvane&apos;s values are used for its settings.</source>
        <translation>die gespeicherten Wörter ergeben %1 MHz, außerhalb dessen, was der %2 an %3 erzeugt; für seine Einstellungen gelten die Werte von Korvane.</translation>
    </message>
    <message>
        <source>it follows the frequency and the reference.</source>
        <translation>es folgt der Frequenz und der Referenz.</translation>
    </message>
    <message>
        <source>%1 is %2 instead of the board&apos;s %3: %4</source>
        <translation>%1 ist %2 statt %3 der Platine: %4</translation>
    </message>
    <message>
        <source>Could not write &quot;%1&quot;: it holds no Korvane settings; it was left as it is</source>
        <translation>„%1“ konnte nicht geschrieben werden: die Datei enthält keine Korvane-Einstellungen; sie blieb unverändert</translation>
    </message>
</context>
<context>
    <name>korvane::app::AboutDialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>About Korvane</source>
        <translation>Über Korvane</translation>
    </message>
    <message>
        <source>MAX2871/ADF4350/ADF4351 synthesizer board programming and control utility.
Version %1

Korvane is free software: you can redistribute it and/or modify it under the terms of the GNU General Public License as published by the Free Software Foundation, either version 3 of the License, or (at your option) any later version. It comes with ABSOLUTELY NO WARRANTY.</source>
        <translation>Programm zum Programmieren und Steuern von MAX2871/ADF4350/ADF4351-Synthesizer-Platinen.
Version %1

Korvane ist freie Software: Sie können sie unter den Bedingungen der GNU General Public License, wie von der Free Software Foundation veröffentlicht, weitergeben und/oder verändern, entweder gemäß Version 3 der Lizenz oder (nach Ihrer Wahl) jeder späteren Version. Sie wird OHNE JEDE GEWÄHRLEISTUNG bereitgestellt.</translation>
    </message>
</context>
<context>
    <name>korvane::app::CUpdateInfoDlg</name>
    <message>
        <source> · %1 of %2 halfwords</source>
        <translation> · %1 von %2 Halbwörtern</translation>
    </message>
    <message>
        <source> · %1m %2s left</source>
        <translation> · noch %1 min %2 s</translation>
    </message>
    <message>
        <source> · %1 of %2</source>
        <translation> · %1 von %2</translation>
    </message>
    <message>
        <source> · %1s left</source>
        <translation> · noch %1 s</translation>
    </message>
    <message>
        <source>Korvane will close when the update has finished</source>
        <translation>Korvane schließt sich, wenn die Aktualisierung beendet ist</translation>
    </message>
</context>
<context>
    <name>korvane::app::CalibrateDialog</name>
    <message>
        <source>Calibrate reference</source>
        <translation>Referenz kalibrieren</translation>
    </message>
    <message>
        <source>Measure an output with a counter. The reference is corrected by the ratio of the measured to the set frequency.</source>
        <translation>Messen Sie einen Ausgang mit einem Frequenzzähler. Die Referenz wird um das Verhältnis von gemessener zu eingestellter Frequenz korrigiert.</translation>
    </message>
    <message>
        <source>Reference now:</source>
        <translation>Referenz jetzt:</translation>
    </message>
    <message>
        <source>&amp;Output set (MHz):</source>
        <translation>&amp;Eingestellter Ausgang (MHz):</translation>
    </message>
    <message>
        <source>&amp;Measured (MHz):</source>
        <translation>&amp;Gemessen (MHz):</translation>
    </message>
    <message>
        <source>Output set (MHz)</source>
        <translation>Eingestellter Ausgang (MHz)</translation>
    </message>
    <message>
        <source>Measured (MHz)</source>
        <translation>Gemessen (MHz)</translation>
    </message>
    <message>
        <source>&amp;Use this reference</source>
        <translation>Diese Referenz &amp;übernehmen</translation>
    </message>
    <message>
        <source>The reference field holds no number.</source>
        <translation>Das Referenzfeld enthält keine Zahl.</translation>
    </message>
    <message>
        <source>Type the output&apos;s frequency and what the counter measured there.</source>
        <translation>Geben Sie die Frequenz des Ausgangs ein und was der Zähler dort gemessen hat.</translation>
    </message>
    <message>
        <source>Corrected reference: %1 MHz (the reference was %2 ppm off).</source>
        <translation>Korrigierte Referenz: %1 MHz (die Referenz lag %2 ppm daneben).</translation>
    </message>
    <message>
        <source>The board takes its reference in 1 Hz steps: %1 MHz is rounded, which leaves %2 Hz at %3 MHz.</source>
        <translation>Die Platine nimmt ihre Referenz in Schritten von 1 Hz: %1 MHz wird gerundet, was %2 Hz bei %3 MHz übrig lässt.</translation>
    </message>
</context>
<context>
    <name>korvane::app::MainWindow</name>
    <message>
        <source>&amp;Calibrate...</source>
        <translation>&amp;Kalibrieren...</translation>
    </message>
    <message>
        <source>&amp;Plan...</source>
        <translation>&amp;Plan...</translation>
    </message>
    <message>
        <source>First</source>
        <translation>1.</translation>
    </message>
    <message>
        <source>Second</source>
        <translation>2.</translation>
    </message>
    <message>
        <source>Third</source>
        <translation>3.</translation>
    </message>
    <message>
        <source>Fourth</source>
        <translation>4.</translation>
    </message>
    <message>
        <source>first</source>
        <translation>1.</translation>
    </message>
    <message>
        <source>second</source>
        <translation>2.</translation>
    </message>
    <message>
        <source>third</source>
        <translation>3.</translation>
    </message>
    <message>
        <source>fourth</source>
        <translation>4.</translation>
    </message>
    <message>
        <source>Freq. code</source>
        <translation>Frequenzcode</translation>
    </message>
    <message>
        <source>CW keying</source>
        <translation>CW-Tastung</translation>
    </message>
    <message>
        <source>MAX2871/ADF435x board utility v%1</source>
        <translation>MAX2871/ADF435x-Platinenprogramm v%1</translation>
    </message>
    <message>
        <source>Signal Generator</source>
        <translation>Signalgenerator</translation>
    </message>
    <message>
        <source>Current frequency of the synthesizer (can be changed on the fly)</source>
        <translation>Aktuelle Frequenz des Synthesizers (im laufenden Betrieb änderbar)</translation>
    </message>
    <message>
        <source>&amp;Frequency (MHz):</source>
        <translation>&amp;Frequenz (MHz):</translation>
    </message>
    <message>
        <source>Real current synthesizer frequency</source>
        <translation>Tatsächliche aktuelle Frequenz des Synthesizers</translation>
    </message>
    <message>
        <source>Current output power of the synthesizer (can be changed on the fly)</source>
        <translation>Aktuelle Ausgangsleistung des Synthesizers (im laufenden Betrieb änderbar)</translation>
    </message>
    <message>
        <source>&amp;Power (dBm):</source>
        <translation>&amp;Leistung (dBm):</translation>
    </message>
    <message>
        <source>&amp;Band:</source>
        <translation>&amp;Band:</translation>
    </message>
    <message>
        <source>LO/Beacon frequencies</source>
        <translation>LO-/Bakenfrequenzen</translation>
    </message>
    <message>
        <source>Select reference frequency</source>
        <translation>Referenzfrequenz wählen</translation>
    </message>
    <message>
        <source>Reference frequenc&amp;y (MHz):</source>
        <translation>Referenzfre&amp;quenz (MHz):</translation>
    </message>
    <message>
        <source>External reference</source>
        <translation>Externe Referenz</translation>
    </message>
    <message>
        <source>Disable internal reference oscillator (check it if you use external reference)</source>
        <translation>Internen Referenzoszillator abschalten (ankreuzen, wenn Sie eine externe Referenz verwenden)</translation>
    </message>
    <message>
        <source>Exact fre&amp;quencies</source>
        <translation>E&amp;xakte Frequenzen</translation>
    </message>
    <message>
        <source>Choose the fraction nearest to each typed frequency (the real frequency&apos;s tooltip shows the remaining error)</source>
        <translation>Den Bruch wählen, der jeder eingegebenen Frequenz am nächsten kommt (der Tooltip der tatsächlichen Frequenz zeigt den verbleibenden Fehler)</translation>
    </message>
    <message>
        <source>%1 configuration frequency</source>
        <translation>Frequenz der %1 Konfiguration</translation>
    </message>
    <message>
        <source>F%1 frequency (MHz)</source>
        <translation>F%1 Frequenz (MHz)</translation>
    </message>
    <message>
        <source>Real synthesizer frequency for the %1 configuration</source>
        <translation>Tatsächliche Synthesizer-Frequenz der %1 Konfiguration</translation>
    </message>
    <message>
        <source>%1 configuration output power</source>
        <translation>Ausgangsleistung der %1 Konfiguration</translation>
    </message>
    <message>
        <source>F%1 power (dBm)</source>
        <translation>F%1 Leistung (dBm)</translation>
    </message>
    <message>
        <source>F%1 band</source>
        <translation>F%1 Band</translation>
    </message>
    <message>
        <source>Beacon mode</source>
        <translation>Bakenbetrieb</translation>
    </message>
    <message>
        <source>Enable beacon</source>
        <translation>Bake einschalten</translation>
    </message>
    <message>
        <source>Enable beacon mode</source>
        <translation>Bakenbetrieb einschalten</translation>
    </message>
    <message>
        <source>Enable scannin&amp;g</source>
        <translation>Suchla&amp;uf einschalten</translation>
    </message>
    <message>
        <source>Scan configured frequencies in beacon mode</source>
        <translation>Die eingestellten Frequenzen im Bakenbetrieb durchlaufen</translation>
    </message>
    <message>
        <source>Beacon keying speed (wpm)</source>
        <translation>Tastgeschwindigkeit der Bake (WpM)</translation>
    </message>
    <message>
        <source>Trans&amp;mission speed (wpm):</source>
        <translation>Sendegeschwindig&amp;keit (WpM):</translation>
    </message>
    <message>
        <source>Up to %1 characters, use #xxxx for xxxxms tone generation and &amp;xxxx for pause.</source>
        <translation>Bis zu %1 Zeichen; #xxxx erzeugt xxxx ms Ton, &amp;xxxx eine Pause.</translation>
    </message>
    <message>
        <source>Beaco&amp;n text:</source>
        <translation>Bake&amp;ntext:</translation>
    </message>
    <message>
        <source>Ou&amp;tput  1 &amp;&amp; 2 function:</source>
        <translation>Funktion der Aus&amp;gänge 1 &amp;&amp; 2:</translation>
    </message>
    <message>
        <source>C&amp;hip:</source>
        <translation>C&amp;hip:</translation>
    </message>
    <message>
        <source>Select COM port to communicate with board</source>
        <translation>COM-Port für die Verbindung zur Platine wählen</translation>
    </message>
    <message>
        <source>C&amp;OM port:</source>
        <translation>C&amp;OM-Port:</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>Establish connection to the synthesizer board</source>
        <translation>Verbindung zur Synthesizer-Platine herstellen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Stop looking for the board (Esc)</source>
        <translation>Die Suche nach der Platine beenden (Esc)</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>&amp;Trennen</translation>
    </message>
    <message>
        <source>Close connection to the board</source>
        <translation>Verbindung zur Platine schließen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Sichern</translation>
    </message>
    <message>
        <source>Write board configuration to flash memory</source>
        <translation>Konfiguration der Platine in den Flash-Speicher schreiben</translation>
    </message>
    <message>
        <source>&amp;Load config...</source>
        <translation>Konfiguration la&amp;den...</translation>
    </message>
    <message>
        <source>Load the panel&apos;s settings from a configuration file</source>
        <translation>Die Einstellungen des Fensters aus einer Konfigurationsdatei laden</translation>
    </message>
    <message>
        <source>Sa&amp;ve config...</source>
        <translation>Konfiguration s&amp;peichern...</translation>
    </message>
    <message>
        <source>Save the panel&apos;s settings to a configuration file</source>
        <translation>Die Einstellungen des Fensters in einer Konfigurationsdatei speichern</translation>
    </message>
    <message>
        <source>S&amp;weep...</source>
        <translation>&amp;Wobbeln...</translation>
    </message>
    <message>
        <source>Step the signal generator through frequencies</source>
        <translation>Den Signalgenerator schrittweise durch Frequenzen führen</translation>
    </message>
    <message>
        <source>R&amp;egisters...</source>
        <translation>Re&amp;gister...</translation>
    </message>
    <message>
        <source>The register words of each slot and what their fields mean</source>
        <translation>Die Registerwörter jedes Platzes und was ihre Felder bedeuten</translation>
    </message>
    <message>
        <source>Firmware &amp;info...</source>
        <translation>Firmware-&amp;Info...</translation>
    </message>
    <message>
        <source>Show the board&apos;s firmware version and serial number (Ctrl+B switches the board to its bootloader)</source>
        <translation>Firmware-Version und Seriennummer der Platine zeigen (Strg+B schaltet die Platine in ihren Bootloader)</translation>
    </message>
    <message>
        <source>&amp;Repair...</source>
        <translation>&amp;Reparieren...</translation>
    </message>
    <message>
        <source>Write new firmware to the board, or finish an update (Ctrl+B switches the board to its bootloader)</source>
        <translation>Neue Firmware auf die Platine schreiben oder eine Aktualisierung abschließen (Strg+B schaltet die Platine in ihren Bootloader)</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;Über...</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright</source>
        <translation>Programminformation, Versionsnummer und Urheberrecht anzeigen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>Quit the application</source>
        <translation>Das Programm beenden</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Board</source>
        <translation>Platine</translation>
    </message>
    <message>
        <source>Notice</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Lock</source>
        <translation>Einrastung</translation>
    </message>
    <message>
        <source>Real frequency</source>
        <translation>Tatsächliche Frequenz</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>RF with the plan %1; the board makes %2 MHz</source>
        <translation>HF mit dem Plan %1; die Platine erzeugt %2 MHz</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Chip</source>
        <translation>Chip</translation>
    </message>
    <message>
        <source>C&amp;hip</source>
        <translation>C&amp;hip</translation>
    </message>
    <message>
        <source>Lock lost</source>
        <translation>Einrastung verloren</translation>
    </message>
    <message>
        <source>The board on %1 reports no lock since %2.</source>
        <translation>Die Platine an %1 meldet seit %2 keine Einrastung.</translation>
    </message>
    <message>
        <source>Connecting to %1...</source>
        <translation>Verbinde mit %1...</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>DEMO board: no hardware attached</source>
        <translation>DEMO-Platine: keine Hardware angeschlossen</translation>
    </message>
    <message>
        <source>Port: %1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>%1, firmware %2</source>
        <translation>%1, Firmware %2</translation>
    </message>
    <message>
        <source>Board: %1</source>
        <translation>Platine: %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Refused: %1</source>
        <translation>Abgelehnt: %1</translation>
    </message>
    <message>
        <source>Note: %1</source>
        <translation>Hinweis: %1</translation>
    </message>
    <message>
        <source>Lock unknown</source>
        <translation>Einrastung unbekannt</translation>
    </message>
    <message>
        <source>Locked</source>
        <translation>Eingerastet</translation>
    </message>
    <message>
        <source>Not locked</source>
        <translation>Nicht eingerastet</translation>
    </message>
    <message>
        <source>Not locked since %1</source>
        <translation>Nicht eingerastet seit %1</translation>
    </message>
    <message>
        <source>Lock: %1</source>
        <translation>Einrastung: %1</translation>
    </message>
    <message>
        <source>Lock detect read at %1</source>
        <translation>Einrasterkennung gelesen um %1</translation>
    </message>
    <message>
        <source>Lock detect not read yet</source>
        <translation>Einrasterkennung noch nicht gelesen</translation>
    </message>
    <message>
        <source>Real frequency: %1</source>
        <translation>Tatsächliche Frequenz: %1</translation>
    </message>
    <message>
        <source>The frequency the board makes, and its error from the typed one; select it or right-click to copy</source>
        <translation>Die Frequenz, die die Platine erzeugt, und ihr Fehler zur eingegebenen; markieren oder Rechtsklick zum Kopieren</translation>
    </message>
    <message>
        <source>Signal generator</source>
        <translation>Signalgenerator</translation>
    </message>
    <message>
        <source>;;All files (*.*)</source>
        <translation>;;Alle Dateien (*.*)</translation>
    </message>
</context>
<context>
    <name>korvane::app::PlanDialog</name>
    <message>
        <source>Frequency plan: %1</source>
        <translation>Frequenzplan: %1</translation>
    </message>
    <message>
        <source>For a transverter&apos;s LO: RF = N x output + offset. The frequency field then takes and shows the RF; the board makes (RF - offset) / N.</source>
        <translation>Für den LO eines Transverters: HF = N x Ausgang + Versatz. Das Frequenzfeld nimmt und zeigt dann die HF; die Platine erzeugt (HF - Versatz) / N.</translation>
    </message>
    <message>
        <source>&amp;Multiplier N (1 to 64):</source>
        <translation>&amp;Multiplikator N (1 bis 64):</translation>
    </message>
    <message>
        <source>&amp;Offset (MHz, the IF; negative for an LO above the signal):</source>
        <translation>&amp;Versatz (MHz, die ZF; negativ für einen LO oberhalb des Signals):</translation>
    </message>
    <message>
        <source>Multiplier N</source>
        <translation>Multiplikator N</translation>
    </message>
    <message>
        <source>Offset (MHz)</source>
        <translation>Versatz (MHz)</translation>
    </message>
    <message>
        <source>&amp;Use this plan</source>
        <translation>Diesen Plan &amp;übernehmen</translation>
    </message>
    <message>
        <source>&amp;Remove plan</source>
        <translation>Plan &amp;entfernen</translation>
    </message>
</context>
<context>
    <name>korvane::app::RegisterDialog</name>
    <message>
        <source>Set by you</source>
        <translation>Von Ihnen gesetzt</translation>
    </message>
    <message>
        <source>As the board holds it</source>
        <translation>Wie auf der Platine</translation>
    </message>
    <message>
        <source>Registers</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>Signal generator</source>
        <translation>Signalgenerator</translation>
    </message>
    <message>
        <source>Slot</source>
        <translation>Platz</translation>
    </message>
    <message>
        <source>&amp;Slot:</source>
        <translation>&amp;Platz:</translation>
    </message>
    <message>
        <source>Register words and fields</source>
        <translation>Registerwörter und Felder</translation>
    </message>
    <message>
        <source>Expert settings</source>
        <translation>Experteneinstellungen</translation>
    </message>
    <message>
        <source>E&amp;xpert settings (fields sent instead of Korvane&apos;s values):</source>
        <translation>E&amp;xperteneinstellungen (Felder, die statt Korvanes Werten gesendet werden):</translation>
    </message>
    <message>
        <source>&amp;Reset slot</source>
        <translation>Platz &amp;zurücksetzen</translation>
    </message>
    <message>
        <source>Give this slot Korvane&apos;s own values in every field</source>
        <translation>Diesem Platz in jedem Feld Korvanes eigene Werte geben</translation>
    </message>
    <message>
        <source>Reset &amp;all slots</source>
        <translation>&amp;Alle Plätze zurücksetzen</translation>
    </message>
    <message>
        <source>Give every slot Korvane&apos;s own values in every field</source>
        <translation>Jedem Platz in jedem Feld Korvanes eigene Werte geben</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Copy the words and fields of this slot as text</source>
        <translation>Die Wörter und Felder dieses Platzes als Text kopieren</translation>
    </message>
    <message>
        <source>
The board keeps these words; what is typed was not sent: %1
</source>
        <translation>
Die Platine behält diese Wörter; das Eingegebene wurde nicht gesendet: %1
</translation>
    </message>
    <message>
        <source>Register</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Feld</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Korvane&apos;s value</source>
        <translation>Korvanes Wert</translation>
    </message>
    <message>
        <source>%1, register R%2</source>
        <translation>%1, Register R%2</translation>
    </message>
    <message>
        <source>%1, Korvane&apos;s value: %2</source>
        <translation>%1, Korvanes Wert: %2</translation>
    </message>
</context>
<context>
    <name>korvane::app::SweepDialog</name>
    <message>
        <source>St&amp;art, stop and step</source>
        <translation>St&amp;art, Stopp und Schritt</translation>
    </message>
    <message>
        <source>&amp;List of frequencies</source>
        <translation>&amp;Frequenzliste</translation>
    </message>
    <message>
        <source>Start (MHz)</source>
        <translation>Start (MHz)</translation>
    </message>
    <message>
        <source>First frequency of the sweep, in MHz</source>
        <translation>Erste Frequenz des Durchlaufs, in MHz</translation>
    </message>
    <message>
        <source>Stop (MHz)</source>
        <translation>Stopp (MHz)</translation>
    </message>
    <message>
        <source>Last frequency of the sweep, in MHz</source>
        <translation>Letzte Frequenz des Durchlaufs, in MHz</translation>
    </message>
    <message>
        <source>Step (MHz)</source>
        <translation>Schritt (MHz)</translation>
    </message>
    <message>
        <source>Distance between points, in MHz</source>
        <translation>Abstand zwischen den Punkten, in MHz</translation>
    </message>
    <message>
        <source>Load &amp;CSV...</source>
        <translation>&amp;CSV laden...</translation>
    </message>
    <message>
        <source>Dwell (ms)</source>
        <translation>Verweildauer (ms)</translation>
    </message>
    <message>
        <source>Time at each point after its retune, in milliseconds</source>
        <translation>Zeit an jedem Punkt nach dem Umstimmen, in Millisekunden</translation>
    </message>
    <message>
        <source>Passes</source>
        <translation>Durchläufe</translation>
    </message>
    <message>
        <source>How often the points are run through; 0 runs until Stop</source>
        <translation>Wie oft die Punkte durchlaufen werden; 0 läuft bis Stopp</translation>
    </message>
    <message>
        <source>E&amp;xact frequencies</source>
        <translation>E&amp;xakte Frequenzen</translation>
    </message>
    <message>
        <source>Read loc&amp;k at each point</source>
        <translation>&amp;Einrastung an jedem Punkt lesen</translation>
    </message>
    <message>
        <source>S&amp;tart</source>
        <translation>S&amp;tarten</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>A&amp;nhalten</translation>
    </message>
    <message>
        <source>Sa&amp;ve CSV...</source>
        <translation>CSV &amp;speichern...</translation>
    </message>
    <message>
        <source>Sweep</source>
        <translation>Wobbeln</translation>
    </message>
    <message>
        <source>Frequencies (MHz)</source>
        <translation>Frequenzen (MHz)</translation>
    </message>
    <message>
        <source>One frequency in MHz per line, or the first column of a CSV file (columns separated by &apos;,&apos;, or by &apos;;&apos; where the numbers have a decimal comma)</source>
        <translation>Eine Frequenz in MHz je Zeile oder die erste Spalte einer CSV-Datei (Spalten durch &apos;,&apos; getrennt, oder durch &apos;;&apos;, wenn die Zahlen ein Dezimalkomma haben)</translation>
    </message>
    <message>
        <source>Take the frequencies from the first column of a CSV file</source>
        <translation>Die Frequenzen aus der ersten Spalte einer CSV-Datei nehmen</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>As the signal generator</source>
        <translation>Wie der Signalgenerator</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Ask the board for its lock detect after each retune (one more exchange per point)</source>
        <translation>Nach jedem Umstimmen die Einrasterkennung der Platine abfragen (ein Austausch mehr je Punkt)</translation>
    </message>
    <message>
        <source>End the sweep after the point being tuned (Esc)</source>
        <translation>Den Durchlauf nach dem gerade eingestellten Punkt beenden (Esc)</translation>
    </message>
    <message>
        <source>Save the points as a CSV file</source>
        <translation>Die Punkte als CSV-Datei speichern</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>Punkte</translation>
    </message>
    <message>
        <source>Sweep status</source>
        <translation>Stand des Durchlaufs</translation>
    </message>
    <message>
        <source>Sta&amp;rt (MHz):</source>
        <translation>Sta&amp;rt (MHz):</translation>
    </message>
    <message>
        <source>Sto&amp;p (MHz):</source>
        <translation>Sto&amp;pp (MHz):</translation>
    </message>
    <message>
        <source>St&amp;ep (MHz):</source>
        <translation>Sc&amp;hritt (MHz):</translation>
    </message>
    <message>
        <source>&amp;Dwell (ms):</source>
        <translation>&amp;Verweildauer (ms):</translation>
    </message>
    <message>
        <source>Pa&amp;sses:</source>
        <translation>&amp;Durchläufe:</translation>
    </message>
    <message>
        <source>Po&amp;wer:</source>
        <translation>&amp;Leistung:</translation>
    </message>
    <message>
        <source>Start the sweep on the connected board</source>
        <translation>Den Durchlauf auf der verbundenen Platine starten</translation>
    </message>
    <message>
        <source>Connect a board first</source>
        <translation>Zuerst eine Platine verbinden</translation>
    </message>
    <message>
        <source>Point %1 of %2</source>
        <translation>Punkt %1 von %2</translation>
    </message>
    <message>
        <source>, pass %1 (until Stop)</source>
        <translation>, Durchlauf %1 (bis Stopp)</translation>
    </message>
    <message>
        <source>, pass %1 of %2</source>
        <translation>, Durchlauf %1 von %2</translation>
    </message>
</context>
<context>
    <name>korvane::app::SweepPointsModel</name>
    <message>
        <source>locked</source>
        <translation>eingerastet</translation>
    </message>
    <message>
        <source>not locked</source>
        <translation>nicht eingerastet</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>Zeit (s)</translation>
    </message>
    <message>
        <source>Requested (MHz)</source>
        <translation>Verlangt (MHz)</translation>
    </message>
    <message>
        <source>Real (MHz)</source>
        <translation>Tatsächlich (MHz)</translation>
    </message>
    <message>
        <source>Lock</source>
        <translation>Einrastung</translation>
    </message>
</context>
</TS>
