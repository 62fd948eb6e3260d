#pragma once

// Makes Qt ask the program first for what a screen reader is told of its
// widgets: the page area is a document with the page's text, and a window
// made of a plain widget is a window. Once is enough; later calls do nothing.
void RegistrarAccesibilidad();
