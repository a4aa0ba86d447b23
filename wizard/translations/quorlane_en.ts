<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The English plural forms of the texts that count something. Made with
     lupdate -pluralonly -locations none -source-language en -target-language en
     -tr-function-alias QT_TRANSLATE_NOOP+=wizardText *.cpp *.h ../run/SettingVocabulary.cpp
     -ts translations/quorlane_en.ts; the forms are filled in by hand, and each context is
     named with its namespace, as the class calls tr(). -->
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>quorlane::wizard::PickFilesPage</name>
    <message numerus="yes">
        <source>%Ln page(s)</source>
        <translation>
            <numerusform>%Ln page</numerusform>
            <numerusform>%Ln pages</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln page(s) in all</source>
        <translation>
            <numerusform>%Ln page in all</numerusform>
            <numerusform>%Ln pages in all</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln of the files picked are already in the list:</source>
        <translation>
            <numerusform>%Ln of the files picked is already in the list:</numerusform>
            <numerusform>%Ln of the files picked are already in the list:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quorlane::wizard::ResultsPage</name>
    <message numerus="yes">
        <source>%Ln warning(s) about what the protection would break or leave open:</source>
        <translation>
            <numerusform>%Ln warning about what the protection would break or leave open:</numerusform>
            <numerusform>%Ln warnings about what the protection would break or leave open:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quorlane::wizard::RunView</name>
    <message numerus="yes">
        <source>%Ln page(s) could not be protected.</source>
        <translation>
            <numerusform>%Ln page could not be protected.</numerusform>
            <numerusform>%Ln pages could not be protected.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln folder(s) could not be read.</source>
        <translation>
            <numerusform>%Ln folder could not be read.</numerusform>
            <numerusform>%Ln folders could not be read.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quorlane::wizard::frmMain</name>
    <message numerus="yes">
        <source>and %Ln more</source>
        <translation>
            <numerusform>and %Ln more</numerusform>
            <numerusform>and %Ln more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The target folder %1 already holds %Ln file(s) that the copy would replace, and that no run of Quorlane wrote:</source>
        <translation>
            <numerusform>The target folder %1 already holds %Ln file that the copy would replace, and that no run of Quorlane wrote:</numerusform>
            <numerusform>The target folder %1 already holds %Ln files that the copy would replace, and that no run of Quorlane wrote:</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The run was undone in part: %Ln file(s) were left as they are.</source>
        <translation>
            <numerusform>The run was undone in part: %Ln file was left as it is.</numerusform>
            <numerusform>The run was undone in part: %Ln files were left as they are.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The run was undone in part: %Ln file(s) were left as they are. Undo tries again those that could not be changed.</source>
        <translation>
            <numerusform>The run was undone in part: %Ln file was left as it is. Undo tries it again.</numerusform>
            <numerusform>The run was undone in part: %Ln files were left as they are. Undo tries again those that could not be changed.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln of the folders and files picked are gone: moved, renamed or deleted after they were picked. Remove them from the list, or add them again where they are now.</source>
        <translation>
            <numerusform>%Ln of the folders and files picked is gone: moved, renamed or deleted after it was picked. Remove it from the list, or add it again where it is now.</numerusform>
            <numerusform>%Ln of the folders and files picked are gone: moved, renamed or deleted after they were picked. Remove them from the list, or add them again where they are now.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln page(s) will be replaced by their protected versions.</source>
        <translation>
            <numerusform>%Ln page will be replaced by its protected version.</numerusform>
            <numerusform>%Ln pages will be replaced by their protected versions.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln protected_ file(s) of an earlier run will be replaced by the pages protected now.</source>
        <translation>
            <numerusform>%Ln protected_ file of an earlier run will be replaced by the page protected now.</numerusform>
            <numerusform>%Ln protected_ files of an earlier run will be replaced by the pages protected now.</numerusform>
        </translation>
    </message>
</context>
</TS>
