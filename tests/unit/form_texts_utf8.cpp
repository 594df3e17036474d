// The form's tables compiled once more, with the texts left in UTF-8 as the
// source has them, under names of their own: the encoding test compares the
// program's code page 932 texts with these.
#define FormTable FormTableUtf8
#define MessageTable MessageTableUtf8
#include "form/form_table.cpp"
