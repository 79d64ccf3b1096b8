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
</context>
<context>
    <name>korvane::app::AboutDialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
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
</context>
</TS>
