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
</TS>
