<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>frmLogin</name>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="6"/>
        <source>Login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="14"/>
        <source>&amp;Nome utente:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="27"/>
        <source>&amp;Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="44"/>
        <source>&amp;Salva la password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="71"/>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="81"/>
        <source>Annulla</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="102"/>
        <source>Non possiedi un account?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="109"/>
        <source>Registrati adesso!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/login/LoginWindow.ui" line="121"/>
        <source>Apre la pagina di registrazione nel browser</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="39"/>
        <source>Destinatari Singoli</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="64"/>
        <source>Gruppi di Destinatari</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="100"/>
        <source>Aggiungi Destinatari</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="108"/>
        <source>&amp;Tutta la Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="115"/>
        <source>&amp;Sin&amp;g&amp;olo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="125"/>
        <source>&amp;Gruppo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="170"/>
        <source>P&amp;aese:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="203"/>
        <source>Pr&amp;efisso:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="236"/>
        <source>&amp;Numero:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="265"/>
        <location filename="../src/ui/main/MainWindow.ui" line="310"/>
        <source>Agg&amp;i&amp;ungi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="293"/>
        <source>Gr&amp;uppo:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="338"/>
        <source>vuota</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="353"/>
        <source>Invio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="359"/>
        <source>Immediat&amp;o</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="369"/>
        <source>&amp;Differito</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="376"/>
        <source>In&amp;via</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="401"/>
        <source>Data:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="411"/>
        <source>99-99-9999;_</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="434"/>
        <source>Ora:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="444"/>
        <source>99:99;_</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="494"/>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="507"/>
        <source>&amp;Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="518"/>
        <source>&amp;Messaggi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="529"/>
        <source>Ac&amp;quista</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="537"/>
        <source>&amp;Plugins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="556"/>
        <source>&amp;?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="649"/>
        <source>Tutti i plugin installati...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="657"/>
        <source>Plugin0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="665"/>
        <source>Plugin1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="673"/>
        <source>Plugin2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="681"/>
        <source>Plugin3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="689"/>
        <source>Plugin4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="697"/>
        <source>Plugin5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="705"/>
        <source>Plugin6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="713"/>
        <source>Plugin7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="721"/>
        <source>Plugin8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="729"/>
        <source>Plugin9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="737"/>
        <source>&amp;Nuovo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="740"/>
        <source>Ctrl+N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="745"/>
        <source>&amp;Login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="750"/>
        <source>&amp;Opzioni</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="755"/>
        <source>&amp;Invia...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="758"/>
        <source>Ctrl+I</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="763"/>
        <source>&amp;Esci</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="768"/>
        <source>&amp;Inserisci contatti</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="773"/>
        <source>&amp;Visualizza</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="776"/>
        <source>Ctrl+T</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="781"/>
        <source>&amp;Gruppi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="786"/>
        <source>Importa &amp;dati esterni...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="791"/>
        <source>I&amp;mporta rubrica BrioSMS 1.1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="796"/>
        <source>&amp;Inviati</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="801"/>
        <source>&amp;Differiti</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="806"/>
        <source>&amp;Errori</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="811"/>
        <source>&amp;Numero Mittente</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="816"/>
        <source>&amp;Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="821"/>
        <source>Verifica &amp;credito</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="826"/>
        <source>&amp;Acquista SMS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="831"/>
        <source>&amp;Listino SMS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="836"/>
        <source>Sc&amp;arica plugin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="841"/>
        <source>&amp;Sommario</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="846"/>
        <source>&amp;Cerca</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="851"/>
        <source>Sup&amp;porto Tecnico</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="856"/>
        <source>&amp;Informazioni su...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="861"/>
        <source>Nuovo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="864"/>
        <source>Crea nuovo SMS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="869"/>
        <source>Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="872"/>
        <source>Apre la Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="877"/>
        <source>Gruppi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="880"/>
        <source>Gestione dei Gruppi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="885"/>
        <source>Invia</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="888"/>
        <source>Invia SMS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="893"/>
        <source>Comprimi</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/main/MainWindow.ui" line="896"/>
        <source>Comprimi SMS</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmModificaPassword</name>
    <message>
        <location filename="../src/ui/options/ChangePasswordWindow.ui" line="6"/>
        <source>Modifica Password Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/ChangePasswordWindow.ui" line="14"/>
        <source>Inserisci Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/ChangePasswordWindow.ui" line="31"/>
        <source>Conferma Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/ChangePasswordWindow.ui" line="68"/>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/ChangePasswordWindow.ui" line="78"/>
        <source>&amp;Annulla</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmOpzioni</name>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="6"/>
        <source>Opzioni</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="20"/>
        <source>Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="26"/>
        <source>Svuota &amp;Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="33"/>
        <source>Elimina tutti i contatti memorizzati in rubrica, inoltre cancella tutte le liste create</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="43"/>
        <source>&amp;Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="50"/>
        <source>Permette di specificare una password per proteggere la rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/OptionsWindow.ui" line="81"/>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmPassword</name>
    <message>
        <location filename="../src/ui/options/PasswordWindow.ui" line="6"/>
        <source>Password Rubrica</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/PasswordWindow.ui" line="12"/>
        <source>Inserire la password per accedere alla Rubrica:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../src/ui/options/PasswordWindow.ui" line="47"/>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
