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
</TS>
