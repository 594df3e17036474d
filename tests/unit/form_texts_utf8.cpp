// The form's tables compiled once more in UTF-8, for the encoding test to compare with.
#define FormTable FormTableUtf8
#define MessageTable MessageTableUtf8
#include "form/form_table.cpp"
