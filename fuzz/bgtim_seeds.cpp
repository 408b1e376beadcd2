// Writes the seed corpus of bgtim_fuzz: the same sample TIMs (and tile info)
// as bginfo_fuzz starts from.
#include "bginfo_seeds.cpp"
