#!/usr/bin/perl
# Prints, as a C++ initializer list, every code point that Perl's own Unicode tables give one of
# the properties that a device's text may not show on the screen: Cc, Bidi_Control, Zl, Zp.
use strict;
use warnings;
for my $c (0 .. 0x10FFFF) {
    next if $c >= 0xD800 && $c <= 0xDFFF;
    printf "0x%X,\n", $c if chr($c) =~ /[\p{Cc}\p{Bidi_Control}\p{Zl}\p{Zp}]/;
}
