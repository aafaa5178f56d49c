<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ContentView</name>
    <message>
        <location filename="../../screen/ContentView.qml" line="150"/>
        <source>Pellmor Soundboard</source>
        <translation>Pellmor-Klangbrett</translation>
    </message>
    <message>
        <location filename="../../screen/ContentView.qml" line="179"/>
        <source>Play the next clip</source>
        <translation>Nächsten Clip abspielen</translation>
    </message>
</context>
<context>
    <name>WindowControls</name>
    <message>
        <location filename="../WindowControls.qml" line="24"/>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <location filename="../WindowControls.qml" line="24"/>
        <source>Minimise</source>
        <translation>Minimieren</translation>
    </message>
</context>
</TS>
