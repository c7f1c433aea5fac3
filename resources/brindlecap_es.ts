<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="es">
<context>
    <name>CaptureController</name>
    <message>
        <source>Actívalo en Ajustes del Sistema → Privacidad y seguridad → Grabación de pantalla y audio del sistema, y después vuelve a abrir Brindlecap.</source>
        <translation>Permite las capturas de pantalla a Brindlecap en la configuración de privacidad de tu escritorio y después vuelve a abrir Brindlecap.</translation>
    </message>
    <message>
        <source>Abrir Ajustes</source>
        <translation>Abrir configuración</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Brindlecap vive en la barra de menú 🍃</source>
        <translation>Brindlecap vive en la bandeja del sistema 🍃</translation>
    </message>
    <message>
        <source>Presiona ⇧⌘9 para capturar un área o ⇧⌘8 para la pantalla completa; la captura queda lista para pegar. Puedes cambiar los atajos en Configuración….

La primera vez, macOS te pedirá el permiso de “Grabación de pantalla”. Actívalo y vuelve a abrir Brindlecap.</source>
        <comment>x11</comment>
        <translation>Presiona Shift+Ctrl+9 para capturar un área o Shift+Ctrl+8 para la pantalla completa; la captura queda lista para pegar. Puedes cambiar los atajos en Configuración….

Brindlecap no necesita ningún permiso para capturar la pantalla: puedes empezar ya.</translation>
    </message>
    <message>
        <source>Presiona ⇧⌘9 para capturar un área o ⇧⌘8 para la pantalla completa; la captura queda lista para pegar. Puedes cambiar los atajos en Configuración….

La primera vez, macOS te pedirá el permiso de “Grabación de pantalla”. Actívalo y vuelve a abrir Brindlecap.</source>
        <comment>wayland</comment>
        <translation>Presiona Shift+Ctrl+9 para capturar un área o Shift+Ctrl+8 para la pantalla completa; la captura queda lista para pegar. Puedes cambiar los atajos en Configuración….

La primera vez, tu escritorio te pedirá permiso para capturar la pantalla. Acéptalo para que Brindlecap pueda hacer capturas.</translation>
    </message>
</context>
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
