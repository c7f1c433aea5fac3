<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="es">
<context>
    <name>Tool</name>
    <message>
        <source>Línea (⇧ para ángulos rectos)</source>
        <translation>Línea (Shift para ángulos rectos)</translation>
    </message>
    <message>
        <source>Flecha (⇧ para ángulos rectos)</source>
        <translation>Flecha (Shift para ángulos rectos)</translation>
    </message>
</context>
<context>
    <name>Toolbars</name>
    <message>
        <source>Deshacer (⌘Z)</source>
        <translation>Deshacer (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Rehacer (⇧⌘Z)</source>
        <translation>Rehacer (Shift+Ctrl+Z)</translation>
    </message>
    <message>
        <source>Copiar (⌘C o Enter)</source>
        <translation>Copiar (Ctrl+C o Enter)</translation>
    </message>
    <message>
        <source>Guardar (⌘S)</source>
        <translation>Guardar (Ctrl+S)</translation>
    </message>
</context>
</TS>
