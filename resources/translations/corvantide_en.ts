<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Alert</name>
    <message>
        <source>Do not show this message again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Keychain</name>
    <message>
        <source>No error.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One or more parameters passed to a function were not valid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user canceled the operation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No keychain is available: the Secret Service is not running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified item already exists in the keychain.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified item could not be found in the keychain.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User interaction is not allowed: the keychain is locked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to decode the provided data.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KeychainAccess</name>
    <message>
        <source>Unknown Keychain error.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UserDefaultsKeys</name>
    <message>
        <source>Every %d minutes</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every %d hours</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Key</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Status</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
