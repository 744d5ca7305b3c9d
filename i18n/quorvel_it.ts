<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>DeleteSettingSheet</name>
    <message>
        <source>Delete Setting</source>
        <translation>Elimina impostazione</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Elimina</translation>
    </message>
</context>
<context>
    <name>Demands</name>
    <message>
        <source>print size</source>
        <translation>formato di stampa</translation>
    </message>
    <message>
        <source>ink</source>
        <translation>inchiostro</translation>
    </message>
    <message>
        <source>profile</source>
        <translation>profilo</translation>
    </message>
    <message>
        <source>transparency</source>
        <translation>trasparenza</translation>
    </message>
    <message>
        <source>extra channels</source>
        <translation>canali aggiuntivi</translation>
    </message>
    <message>
        <source>%1 x %2 mm</source>
        <translation>%1 x %2 mm</translation>
    </message>
    <message>
        <source>%1 + %2 mm bleed</source>
        <translation>%1 + %2 mm di abbondanza</translation>
    </message>
    <message>
        <source>ink limit %1 %</source>
        <translation>limite d&apos;inchiostro %1 %</translation>
    </message>
    <message>
        <source>an embedded profile</source>
        <translation>un profilo incorporato</translation>
    </message>
    <message>
        <source>profile containing “%1”</source>
        <translation>profilo contenente “%1”</translation>
    </message>
    <message>
        <source>no transparency</source>
        <translation>nessuna trasparenza</translation>
    </message>
    <message>
        <source>no extra channels</source>
        <translation>nessun canale aggiuntivo</translation>
    </message>
    <message>
        <source>needs %1 x %2 px for %3 at %4 dpi, has %5 x %6</source>
        <translation>servono %1 x %2 px per %3 a %4 dpi, ne ha %5 x %6</translation>
    </message>
    <message>
        <source>%1 mm² above %2 % total ink (maximum %3 %, 99.9th percentile %4 %)</source>
        <translation>%1 mm² oltre il %2 % di inchiostro totale (massimo %3 %, 99,9° percentile %4 %)</translation>
    </message>
    <message>
        <source>no embedded profile</source>
        <translation>nessun profilo incorporato</translation>
    </message>
    <message>
        <source>profile “%1” does not contain “%2”</source>
        <translation>il profilo “%1” non contiene “%2”</translation>
    </message>
    <message>
        <source>has an alpha channel</source>
        <translation>ha un canale alfa</translation>
    </message>
    <message>
        <source>extra channels: %1</source>
        <translation>canali aggiuntivi: %1</translation>
    </message>
</context>
<context>
    <name>Details</name>
    <message>
        <source>TIFF tags</source>
        <translation>tag TIFF</translation>
    </message>
    <message>
        <source>the file&apos;s header</source>
        <translation>intestazione del file</translation>
    </message>
    <message>
        <source>grey</source>
        <translation>grigio</translation>
    </message>
    <message>
        <source>other</source>
        <translation>altro</translation>
    </message>
    <message>
        <source>%1 × %2 mm (%3 × %4 in)</source>
        <translation>%1 × %2 mm (%3 × %4 in)</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>sì</translation>
    </message>
    <message>
        <source>no</source>
        <translation>no</translation>
    </message>
    <message>
        <source>Resolution: not recorded (counts as 72 dpi)</source>
        <translation>Risoluzione: non registrata (vale 72 dpi)</translation>
    </message>
    <message>
        <source>Resolution: %1 × %2 dpi, from %3</source>
        <translation>Risoluzione: %1 × %2 dpi, da %3</translation>
    </message>
    <message>
        <source>Horizontal and vertical resolutions differ; the vertical one is checked</source>
        <translation>Le risoluzioni orizzontale e verticale differiscono; si controlla quella verticale</translation>
    </message>
    <message>
        <source>JFIF says %1 dpi, EXIF says %2 dpi; JFIF is used</source>
        <translation>JFIF indica %1 dpi, EXIF indica %2 dpi; si usa JFIF</translation>
    </message>
    <message>
        <source>Profile: none</source>
        <translation>Profilo: nessuno</translation>
    </message>
    <message>
        <source>Profile: unnamed (%1)</source>
        <translation>Profilo: senza nome (%1)</translation>
    </message>
    <message>
        <source>Profile: %1 (%2)</source>
        <translation>Profilo: %1 (%2)</translation>
    </message>
    <message>
        <source>The profile is %1 but the pixels are %2</source>
        <translation>Il profilo è %1 ma i pixel sono %2</translation>
    </message>
    <message>
        <source>CMYK without a profile: the printer cannot tell which CMYK</source>
        <translation>CMYK senza profilo: la stampa non può sapere quale CMYK</translation>
    </message>
    <message>
        <source>Bits per sample: %1 · Alpha: %2 · Pages: %3</source>
        <translation>Bit per campione: %1 · Alfa: %2 · Pagine: %3</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>sconosciuto</translation>
    </message>
    <message>
        <source>Print size: %1</source>
        <translation>Formato di stampa: %1</translation>
    </message>
    <message>
        <source>Largest at %1 dpi: %2</source>
        <translation>Massimo a %1 dpi: %2</translation>
    </message>
    <message>
        <source>Unreadable: %1</source>
        <translation>Illeggibile: %1</translation>
    </message>
    <message>
        <source>Layers: %1</source>
        <translation>Livelli: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Quorvel</source>
        <translation>Quorvel</translation>
    </message>
    <message>
        <source>Drop images here</source>
        <translation>Trascina qui le immagini</translation>
    </message>
    <message>
        <source>Views</source>
        <translation>Viste</translation>
    </message>
    <message>
        <source>Drop images here, or choose File ▸ Open Images… to check them against the selected setting.</source>
        <translation>Trascina qui le immagini, oppure scegli File ▸ Apri immagini… per controllarle con l’impostazione selezionata.</translation>
    </message>
    <message>
        <source>Open Images…</source>
        <translation>Apri immagini…</translation>
    </message>
    <message>
        <source>Open images</source>
        <translation>Apri immagini</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>Ispettore</translation>
    </message>
    <message>
        <source>Height (px):</source>
        <translation>Altezza (px):</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Altezza</translation>
    </message>
    <message>
        <source>Width (px):</source>
        <translation>Larghezza (px):</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Larghezza</translation>
    </message>
    <message>
        <source>Colour space:</source>
        <translation>Spazio colore:</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Spazio colore</translation>
    </message>
    <message>
        <source>Resolution (dpi):</source>
        <translation>Risoluzione (dpi):</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Risoluzione</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>Nome del file</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Precedente</translation>
    </message>
    <message>
        <source>Previous image</source>
        <translation>Immagine precedente</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Posizione</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Successiva</translation>
    </message>
    <message>
        <source>Next image</source>
        <translation>Immagine successiva</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Anteprima</translation>
    </message>
    <message>
        <source>Viewer:</source>
        <translation>Visualizzatore:</translation>
    </message>
    <message>
        <source>Nothing</source>
        <translation>Nessuno</translation>
    </message>
    <message>
        <source>Viewer application</source>
        <translation>Applicazione di visualizzazione</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>Scegli</translation>
    </message>
    <message>
        <source>Choose viewer application</source>
        <translation>Scegli l’applicazione di visualizzazione</translation>
    </message>
    <message>
        <source>Open in Viewer</source>
        <translation>Apri nel visualizzatore</translation>
    </message>
    <message>
        <source>Open in viewer</source>
        <translation>Apri nel visualizzatore</translation>
    </message>
    <message>
        <source>Report…</source>
        <translation>Rapporto…</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Rapporto</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Image</source>
        <translation>&amp;Immagine</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>Imp&amp;ostazioni</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aiuto</translation>
    </message>
    <message>
        <source>&amp;Open Images…</source>
        <translation>&amp;Apri immagini…</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Report…</source>
        <translation>&amp;Rapporto…</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Esci</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Precedente</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Successiva</translation>
    </message>
    <message>
        <source>&amp;Check Again</source>
        <translation>&amp;Controlla di nuovo</translation>
    </message>
    <message>
        <source>F5</source>
        <translation>F5</translation>
    </message>
    <message>
        <source>Open in &amp;Viewer</source>
        <translation>Apri nel &amp;visualizzatore</translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation>Ctrl+E</translation>
    </message>
    <message>
        <source>&amp;Change Viewer…</source>
        <translation>Ca&amp;mbia visualizzatore…</translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation>&amp;Preferenze…</translation>
    </message>
    <message>
        <source>Ctrl+,</source>
        <translation>Ctrl+,</translation>
    </message>
    <message>
        <source>Check for &amp;Updates…</source>
        <translation>Verifica &amp;aggiornamenti…</translation>
    </message>
    <message>
        <source>Quorvel &amp;Web Site</source>
        <translation>Sito &amp;web di Quorvel</translation>
    </message>
    <message>
        <source>&amp;About Quorvel</source>
        <translation>&amp;Informazioni su Quorvel</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Dettagli</translation>
    </message>
    <message>
        <source>Where the resolution comes from, the embedded profile, depth, alpha, pages and print sizes</source>
        <translation>Provenienza della risoluzione, profilo incorporato, profondità, alfa, pagine e formati di stampa</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Panoramica</translation>
    </message>
    <message>
        <source>Batch summary</source>
        <translation>Riepilogo del lotto</translation>
    </message>
    <message>
        <source>Sho&amp;w:</source>
        <translation>&amp;Mostra:</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Mostra</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Tutti</translation>
    </message>
    <message>
        <source>Failing</source>
        <translation>Non conformi</translation>
    </message>
    <message>
        <source>Passing</source>
        <translation>Conformi</translation>
    </message>
    <message>
        <source>Batch</source>
        <translation>Lotto</translation>
    </message>
    <message>
        <source>Double-click a file, or press Enter, to inspect it</source>
        <translation>Fai doppio clic su un file, o premi Invio, per esaminarlo</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Esito</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Impostazione</translation>
    </message>
    <message>
        <source>Checking &amp;against:</source>
        <translation>&amp;Verifica rispetto a:</translation>
    </message>
    <message>
        <source>Checking against</source>
        <translation>Verifica rispetto a</translation>
    </message>
    <message>
        <source>Choose a setting</source>
        <translation>Scegli un&apos;impostazione</translation>
    </message>
    <message>
        <source>Set &amp;Resolution…</source>
        <translation>Imposta &amp;risoluzione…</translation>
    </message>
    <message>
        <source>Record a new resolution in the selected files without touching a pixel</source>
        <translation>Registra una nuova risoluzione nei file selezionati senza toccare un pixel</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Quorvel Preferences</source>
        <translation>Preferenze di Quorvel</translation>
    </message>
    <message>
        <source>&amp;Setting:</source>
        <translation>&amp;Impostazione:</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Impostazione</translation>
    </message>
    <message>
        <source>&amp;Add…</source>
        <translation>&amp;Aggiungi…</translation>
    </message>
    <message>
        <source>Add setting</source>
        <translation>Aggiungi impostazione</translation>
    </message>
    <message>
        <source>&amp;Delete…</source>
        <translation>&amp;Elimina…</translation>
    </message>
    <message>
        <source>Delete setting</source>
        <translation>Elimina impostazione</translation>
    </message>
    <message>
        <source>Show &amp;preview</source>
        <translation>Mostra ante&amp;prima</translation>
    </message>
    <message>
        <source>Show preview</source>
        <translation>Mostra anteprima</translation>
    </message>
    <message>
        <source>Required colour space</source>
        <translation>Spazio colore richiesto</translation>
    </message>
    <message>
        <source>Required &amp;resolution:</source>
        <translation>&amp;Risoluzione richiesta:</translation>
    </message>
    <message>
        <source>Resolution required</source>
        <translation>Risoluzione richiesta</translation>
    </message>
    <message>
        <source> dpi</source>
        <translation> dpi</translation>
    </message>
    <message>
        <source>Resolution required in dpi</source>
        <translation>Risoluzione richiesta in dpi</translation>
    </message>
    <message>
        <source>Print checks</source>
        <translation>Controlli di stampa</translation>
    </message>
    <message>
        <source>Print si&amp;ze:</source>
        <translation>&amp;Formato di stampa:</translation>
    </message>
    <message>
        <source>Check the print size</source>
        <translation>Controlla il formato di stampa</translation>
    </message>
    <message>
        <source>Trim size</source>
        <translation>Formato rifilato</translation>
    </message>
    <message>
        <source>A named size, or width x height in millimetres, e.g. 210x297mm</source>
        <translation>Un formato per nome, oppure larghezza x altezza in millimetri, per es. 210x297mm</translation>
    </message>
    <message>
        <source> mm bleed</source>
        <translation> mm di abbondanza</translation>
    </message>
    <message>
        <source>Bleed per side in millimetres</source>
        <translation>Abbondanza per lato in millimetri</translation>
    </message>
    <message>
        <source>Total &amp;ink limit:</source>
        <translation>Limite d&apos;&amp;inchiostro totale:</translation>
    </message>
    <message>
        <source>Check the total ink</source>
        <translation>Controlla l&apos;inchiostro totale</translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>Total ink limit in percent</source>
        <translation>Limite d&apos;inchiostro totale in percentuale</translation>
    </message>
    <message>
        <source> mm² allowed</source>
        <translation> mm² ammessi</translation>
    </message>
    <message>
        <source>Area allowed above the ink limit in square millimetres</source>
        <translation>Area ammessa oltre il limite d&apos;inchiostro, in millimetri quadrati</translation>
    </message>
    <message>
        <source>Embedded &amp;profile, containing:</source>
        <translation>&amp;Profilo incorporato, contenente:</translation>
    </message>
    <message>
        <source>Require an embedded profile</source>
        <translation>Richiedi un profilo incorporato</translation>
    </message>
    <message>
        <source>any description</source>
        <translation>qualsiasi descrizione</translation>
    </message>
    <message>
        <source>Text the profile description must contain</source>
        <translation>Testo che la descrizione del profilo deve contenere</translation>
    </message>
    <message>
        <source>No &amp;transparency</source>
        <translation>Nessuna &amp;trasparenza</translation>
    </message>
    <message>
        <source>No transparency</source>
        <translation>Nessuna trasparenza</translation>
    </message>
    <message>
        <source>No e&amp;xtra channels</source>
        <translation>Nessun canale &amp;aggiuntivo</translation>
    </message>
    <message>
        <source>No extra channels</source>
        <translation>Nessun canale aggiuntivo</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>QuorvelAboutPanel</name>
    <message>
        <source>About Quorvel</source>
        <translation>Informazioni su Quorvel</translation>
    </message>
    <message>
        <source>Checks image files before they go to print or to the web.</source>
        <translation>Controlla i file di immagine prima che vadano in stampa o sul web.</translation>
    </message>
    <message>
        <source>Quorvel web site</source>
        <translation>Sito web di Quorvel</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>Measuring the images…</source>
        <translation>Misurazione delle immagini…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Height: %1
</source>
        <translation>Altezza: %1
</translation>
    </message>
    <message>
        <source>Width: %1
</source>
        <translation>Larghezza: %1
</translation>
    </message>
    <message>
        <source>Name: %1</source>
        <translation>Nome: %1</translation>
    </message>
    <message>
        <source>Color: %1</source>
        <translation>Colore: %1</translation>
    </message>
    <message>
        <source>Dpi: %1</source>
        <translation>Dpi: %1</translation>
    </message>
    <message>
        <source>Created with Quorvel 1.4
</source>
        <translation>Creato con Quorvel 1.4
</translation>
    </message>
    <message>
        <source>yyyy/MM/dd - HH:mm:ss</source>
        <translation>dd/MM/yyyy - HH:mm:ss</translation>
    </message>
    <message>
        <source>Selected Setting: %1

</source>
        <translation>Impostazione selezionata: %1

</translation>
    </message>
    <message>
        <source>Checking (%1) files:

</source>
        <translation>File da controllare (%1):

</translation>
    </message>
    <message>
        <source>
Correct: %1</source>
        <translation>
Corrette: %1</translation>
    </message>
    <message>
        <source>
Error: %1</source>
        <translation>
Errate: %1</translation>
    </message>
    <message>
        <source>Print checks: %1

</source>
        <translation>Controlli di stampa: %1

</translation>
    </message>
</context>
<context>
    <name>ReportPrePanel</name>
    <message>
        <source>Report</source>
        <translation>Rapporto</translation>
    </message>
    <message>
        <source>List the images that</source>
        <translation>Elenca le immagini che</translation>
    </message>
    <message>
        <source>&amp;Pass the checks</source>
        <translation>&amp;Superano i controlli</translation>
    </message>
    <message>
        <source>&amp;Fail the checks</source>
        <translation>&amp;Non superano i controlli</translation>
    </message>
    <message>
        <source>With their</source>
        <translation>Riportandone</translation>
    </message>
    <message>
        <source>Full &amp;path</source>
        <translation>&amp;Percorso completo</translation>
    </message>
    <message>
        <source>File &amp;name</source>
        <translation>Nome del &amp;file</translation>
    </message>
    <message>
        <source>&amp;Size in pixels</source>
        <translation>&amp;Dimensioni in pixel</translation>
    </message>
    <message>
        <source>&amp;Colour space (checked)</source>
        <translation>Spazio &amp;colore (controllato)</translation>
    </message>
    <message>
        <source>&amp;Resolution (checked)</source>
        <translation>&amp;Risoluzione (controllata)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Report…</source>
        <translation>Rapporto…</translation>
    </message>
</context>
<context>
    <name>SetResolution</name>
    <message>
        <source>this format keeps no resolution Quorvel can set</source>
        <translation>questo formato non conserva una risoluzione che Quorvel possa impostare</translation>
    </message>
    <message>
        <source>a simple WebP file has no EXIF block, the only place WebP keeps a resolution</source>
        <translation>un file WebP semplice non ha un blocco EXIF, l&apos;unico posto in cui WebP conserva una risoluzione</translation>
    </message>
    <message>
        <source>this bitmap&apos;s header has no resolution fields</source>
        <translation>l&apos;intestazione di questa bitmap non ha campi per la risoluzione</translation>
    </message>
    <message>
        <source>the file&apos;s structure is damaged; nothing was written</source>
        <translation>la struttura del file è danneggiata; non è stato scritto nulla</translation>
    </message>
    <message>
        <source>the file is too large for its format to take the change</source>
        <translation>il file è troppo grande perché il suo formato accetti la modifica</translation>
    </message>
    <message>
        <source>the resolution must be a whole number from 1 to %1 dpi</source>
        <translation>la risoluzione deve essere un numero intero da 1 a %1 dpi</translation>
    </message>
    <message>
        <source>cannot read the file: %1</source>
        <translation>impossibile leggere il file: %1</translation>
    </message>
    <message>
        <source>the file changed since it was measured; measure it again</source>
        <translation>il file è cambiato da quando è stato misurato; misuralo di nuovo</translation>
    </message>
    <message>
        <source>%1 already exists</source>
        <translation>%1 esiste già</translation>
    </message>
    <message>
        <source>cannot write: %1; the original is unchanged</source>
        <translation>impossibile scrivere: %1; l&apos;originale è invariato</translation>
    </message>
    <message>
        <source>the written file did not verify and was removed; the original is unchanged</source>
        <translation>il file scritto non ha superato la verifica ed è stato rimosso; l&apos;originale è invariato</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>annullato</translation>
    </message>
    <message>
        <source>this JPEG 2000 file refers to its own data by position; nothing in it can move</source>
        <translation>questo file JPEG 2000 fa riferimento ai propri dati per posizione; nulla al suo interno può spostarsi</translation>
    </message>
</context>
<context>
    <name>SetResolutionSheet</name>
    <message>
        <source>Set Resolution</source>
        <translation>Imposta risoluzione</translation>
    </message>
    <message>
        <source>New &amp;resolution:</source>
        <translation>Nuova &amp;risoluzione:</translation>
    </message>
    <message>
        <source> dpi</source>
        <translation> dpi</translation>
    </message>
    <message>
        <source>New resolution</source>
        <translation>Nuova risoluzione</translation>
    </message>
    <message>
        <source>Only the recorded resolution changes: no pixel is touched, and every other byte of each file stays as it is.</source>
        <translation>Cambia solo la risoluzione registrata: nessun pixel viene toccato e ogni altro byte di ciascun file resta com&apos;è.</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>File</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Ora</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Nuova</translation>
    </message>
    <message>
        <source>Print size</source>
        <translation>Formato di stampa</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Nota</translation>
    </message>
    <message>
        <source>Save &amp;copies in…</source>
        <translation>Salva &amp;copie in…</translation>
    </message>
    <message>
        <source>the originals&apos; folders</source>
        <translation>le cartelle degli originali</translation>
    </message>
    <message>
        <source>Folder for the copies</source>
        <translation>Cartella per le copie</translation>
    </message>
    <message>
        <source>C&amp;hoose…</source>
        <translation>S&amp;cegli…</translation>
    </message>
    <message>
        <source>Choose the folder for the copies</source>
        <translation>Scegli la cartella per le copie</translation>
    </message>
    <message>
        <source>Replace &amp;originals</source>
        <translation>Sostituisci gli &amp;originali</translation>
    </message>
    <message>
        <source>Keep each original as &amp;a backup (name.ext~)</source>
        <translation>Conserva ogni originale come &amp;backup (nome.ext~)</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Avanzamento</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>&amp;Set Resolution</source>
        <translation>&amp;Imposta risoluzione</translation>
    </message>
    <message>
        <source>%1 × %2 mm (%3 × %4 in)</source>
        <translation>%1 × %2 mm (%3 × %4 in)</translation>
    </message>
</context>
<context>
    <name>SettingNameSheet</name>
    <message>
        <source>New Setting</source>
        <translation>Nuova impostazione</translation>
    </message>
    <message>
        <source>Name of the new setting:</source>
        <translation>Nome della nuova impostazione:</translation>
    </message>
    <message>
        <source>Setting name</source>
        <translation>Nome dell’impostazione</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Aggiungi</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>None</source>
        <translation>Nessuna</translation>
    </message>
    <message>
        <source>Pre-Press</source>
        <translation>Prestampa</translation>
    </message>
    <message>
        <source>Web</source>
        <translation>Web</translation>
    </message>
    <message>
        <source>BWPhotos</source>
        <translation>Foto B/N</translation>
    </message>
    <message>
        <source>Pencil</source>
        <translation>Matita</translation>
    </message>
</context>
<context>
    <name>Unreadable</name>
    <message>
        <source>not an image</source>
        <translation>non è un&apos;immagine</translation>
    </message>
    <message>
        <source>format not supported</source>
        <translation>formato non supportato</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>danneggiato</translation>
    </message>
    <message>
        <source>too large</source>
        <translation>troppo grande</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>tempo scaduto</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permesso negato</translation>
    </message>
    <message>
        <source>no longer there</source>
        <translation>non c&apos;è più</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>non trovato</translation>
    </message>
    <message>
        <source>a folder, not an image</source>
        <translation>una cartella, non un&apos;immagine</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>Unreadable: %1</source>
        <translation>Illeggibile: %1</translation>
    </message>
    <message>
        <source>No setting picked: choose one above</source>
        <translation>Nessuna impostazione scelta: sceglierne una qui sopra</translation>
    </message>
    <message>
        <source>Passes %1</source>
        <translation>Conforme a %1</translation>
    </message>
    <message>
        <source>colour space %1, not the one required</source>
        <translation>spazio colore %1, non quello richiesto</translation>
    </message>
    <message>
        <source>colour space %1, needs %2</source>
        <translation>spazio colore %1, richiesto %2</translation>
    </message>
    <message>
        <source>resolution unknown, needs %1 dpi</source>
        <translation>risoluzione sconosciuta, richiesti %1 dpi</translation>
    </message>
    <message>
        <source>%1 dpi, needs %2</source>
        <translation>%1 dpi, richiesti %2</translation>
    </message>
    <message>
        <source>Fails %1: %2</source>
        <translation>Non conforme a %1: %2</translation>
    </message>
    <message>
        <source>Unreadable</source>
        <translation>Illeggibile</translation>
    </message>
    <message>
        <source>Passes</source>
        <translation>Conforme</translation>
    </message>
    <message>
        <source>colour</source>
        <translation>colore</translation>
    </message>
    <message>
        <source>dpi</source>
        <translation>dpi</translation>
    </message>
    <message>
        <source>Fails: %1</source>
        <translation>Non conforme: %1</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>any colour space</source>
        <translation>qualsiasi spazio colore</translation>
    </message>
    <message>
        <source>%1 dpi</source>
        <translation>%1 dpi</translation>
    </message>
    <message>
        <source>any resolution</source>
        <translation>qualsiasi risoluzione</translation>
    </message>
    <message>
        <source>1 image</source>
        <translation>1 immagine</translation>
    </message>
    <message numerus="yes">
        <source>, checked against %1 (%2)</source>
        <translation>
            <numerusform>, verificata rispetto a %1 (%2)</numerusform>
            <numerusform>, verificate rispetto a %1 (%2)</numerusform>
        </translation>
    </message>
    <message>
        <source>No demands: every image passes %1</source>
        <translation>Nessun requisito: ogni immagine è conforme a %1</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>sconosciuto</translation>
    </message>
    <message>
        <source>Passes %1 (colour not checked: %2)</source>
        <translation>Conforme a %1 (colore non verificato: %2)</translation>
    </message>
    <message>
        <source>Fails %1: %2 (colour not checked: %3)</source>
        <translation>Non conforme a %1: %2 (colore non verificato: %3)</translation>
    </message>
    <message>
        <source>no colour space chosen</source>
        <translation>nessuno spazio colore scelto</translation>
    </message>
    <message numerus="yes">
        <source>%n images</source>
        <translation>
            <numerusform>%n immagine</numerusform>
            <numerusform>%n immagini</numerusform>
        </translation>
    </message>
    <message>
        <source>%1, no setting picked: choose one above</source>
        <translation>%1, nessuna impostazione scelta: scegline una qui sopra</translation>
    </message>
    <message>
        <source>%1: %2, %3, %4</source>
        <translation>%1: %2, %3, %4</translation>
    </message>
    <message numerus="yes">
        <source>%n pass</source>
        <translation>
            <numerusform>%n conforme</numerusform>
            <numerusform>%n conformi</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n fail</source>
        <translation>
            <numerusform>%n non conforme</numerusform>
            <numerusform>%n non conformi</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n unreadable</source>
        <translation>
            <numerusform>%n illeggibile</numerusform>
            <numerusform>%n illeggibili</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n still being read</source>
        <translation>
            <numerusform>, %n ancora in lettura</numerusform>
            <numerusform>, %n ancora in lettura</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Checks the pixel size, resolution and colour space of image files before print or web.</source>
        <translation>Controlla dimensioni in pixel, risoluzione e spazio colore dei file di immagine prima della stampa o del web.</translation>
    </message>
    <message>
        <source>Image files to check, as one batch.</source>
        <translation>File di immagine da controllare, come un unico gruppo.</translation>
    </message>
    <message>
        <source>Start a copy of its own, even when one is already running.</source>
        <translation>Avvia una copia a sé, anche se una è già in esecuzione.</translation>
    </message>
    <message>
        <source>The running copy of Quorvel did not answer. It will show the files when it can; no second window was opened.</source>
        <translation>La copia di Quorvel in esecuzione non ha risposto. Mostrerà i file appena potrà; non è stata aperta una seconda finestra.</translation>
    </message>
    <message>
        <source>No running copy of Quorvel answered; this one opens the files itself.</source>
        <translation>Nessuna copia di Quorvel in esecuzione ha risposto; questa apre i file da sé.</translation>
    </message>
</context>
<context>
    <name>quorvel::AboutController</name>
    <message>
        <source>Version %1</source>
        <translation>Versione %1</translation>
    </message>
</context>
<context>
    <name>quorvel::BatchModel</name>
    <message>
        <source>Reading…</source>
        <translation>Lettura…</translation>
    </message>
    <message>
        <source>%1 × %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>Thumbnail</source>
        <translation>Miniatura</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Size (px)</source>
        <translation>Dimensioni (px)</translation>
    </message>
    <message>
        <source>dpi</source>
        <translation>dpi</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Spazio colore</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Risultato</translation>
    </message>
    <message>
        <source>%1 × %2 mm</source>
        <translation>%1 × %2 mm</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>none</source>
        <translation>nessuno</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>sì</translation>
    </message>
    <message>
        <source>no</source>
        <translation>no</translation>
    </message>
    <message>
        <source>Print size</source>
        <translation>Formato di stampa</translation>
    </message>
    <message>
        <source>Total ink</source>
        <translation>Inchiostro totale</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profilo</translation>
    </message>
    <message>
        <source>Alpha</source>
        <translation>Alfa</translation>
    </message>
</context>
<context>
    <name>quorvel::PrefManager</name>
    <message>
        <source>Really delete %@ setting?</source>
        <translation>Eliminare davvero l’impostazione %@?</translation>
    </message>
</context>
<context>
    <name>quorvel::QuorvelCheck</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Not connected.</source>
        <translation>Non connesso.</translation>
    </message>
    <message>
        <source>It seems you are not connected to the internet. Please be sure you are on-line.</source>
        <translation>Sembra che tu non sia connesso a Internet. Verifica di essere in linea.</translation>
    </message>
    <message>
        <source>Your Software is up-to-date</source>
        <translation>Il software è aggiornato</translation>
    </message>
    <message>
        <source>You have the most recent version of Quorvel.</source>
        <translation>Hai la versione più recente di Quorvel.</translation>
    </message>
    <message>
        <source>A New Version is Available</source>
        <translation>È disponibile una nuova versione</translation>
    </message>
    <message>
        <source>A new version of Quorvel is available (version %1). Would you like to download the new version now?</source>
        <translation>È disponibile una nuova versione di Quorvel (versione %1). Vuoi scaricarla adesso?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
</context>
<context>
    <name>quorvel::QuorvelInfo</name>
    <message>
        <source>Images (%1)</source>
        <translation>Immagini (%1)</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>Scegli</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Seleziona</translation>
    </message>
    <message>
        <source>Save Report</source>
        <translation>Salva rapporto</translation>
    </message>
    <message>
        <source>The report could not be saved as “%1”.</source>
        <translation>Non è stato possibile salvare il rapporto come «%1».</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Cambia</translation>
    </message>
    <message>
        <source>Nothing</source>
        <translation>Nessuno</translation>
    </message>
    <message>
        <source>Choose Viewer</source>
        <translation>Scegli visualizzatore</translation>
    </message>
    <message>
        <source>Applications (*.desktop)</source>
        <translation>Applicazioni (*.desktop)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tutti i file (*)</translation>
    </message>
</context>
<context>
    <name>quorvel::SetResolutionSheet</name>
    <message>
        <source>not readable as an image</source>
        <translation>non leggibile come immagine</translation>
    </message>
    <message>
        <source>still fails the setting</source>
        <translation>non supera ancora l&apos;impostazione</translation>
    </message>
    <message>
        <source>Save Copies In</source>
        <translation>Salva copie in</translation>
    </message>
    <message>
        <source>Replace Originals</source>
        <translation>Sostituisci originali</translation>
    </message>
    <message>
        <source>Replace 1 original file?</source>
        <translation>Sostituire 1 file originale?</translation>
    </message>
    <message>
        <source>Replace %1 original files?</source>
        <translation>Sostituire %1 file originali?</translation>
    </message>
    <message>
        <source>Each original is kept as a backup beside it, its name ending in ~.</source>
        <translation>Ogni originale viene conservato come backup accanto, con il nome che termina in ~.</translation>
    </message>
    <message>
        <source>The originals are replaced by the files with the new resolution; no copy of them is kept.</source>
        <translation>Gli originali vengono sostituiti dai file con la nuova risoluzione; non ne viene conservata alcuna copia.</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Sostituisci</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>cancelled: not written</source>
        <translation>annullato: non scritto</translation>
    </message>
    <message>
        <source>Files written: %1</source>
        <translation>File scritti: %1</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>written</source>
        <translation>scritto</translation>
    </message>
    <message>
        <source>Cancelling…</source>
        <translation>Annullamento…</translation>
    </message>
</context>
</TS>
