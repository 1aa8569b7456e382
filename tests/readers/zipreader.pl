# A ZIP reader of the archive checks: Perl's Archive::Zip or IO::Uncompress::Unzip reads every entry back.
use strict;
use warnings;
use Compress::Zlib qw(crc32);

binmode STDOUT;

# An entry's line: the name's bytes in hex, the size and the CRC-32 of the bytes read.
sub entry_line {
    my ($name, $size, $crc) = @_;
    utf8::encode($name) if utf8::is_utf8($name); # Archive::Zip gives the characters of a UTF-8 name
    return sprintf("%s %d %08x\n", unpack("H*", $name), $size, $crc);
}

# Through the central directory.
sub read_central {
    my ($path) = @_;
    require Archive::Zip;
    my $archive = Archive::Zip->new();
    $archive->read($path) == Archive::Zip::AZ_OK() or die "$path: not read\n";
    for my $member ($archive->members()) {
        my ($size, $crc) = (0, 0);
        $member->desiredCompressionMethod(Archive::Zip::COMPRESSION_STORED()); # read it inflated
        $member->rewindData() == Archive::Zip::AZ_OK() or die $member->fileName() . ": not opened\n";
        while (!$member->readIsDone()) {
            my ($chunk, $status) = $member->readChunk(1 << 20);
            $status == Archive::Zip::AZ_OK() || $status == Archive::Zip::AZ_STREAM_END()
                or die $member->fileName() . ": read failed\n";
            $size += length $$chunk;
            $crc = crc32($$chunk, $crc);
        }
        $member->endRead();
        $size == $member->uncompressedSize() or die $member->fileName() . ": $size bytes read\n";
        $crc == $member->crc32() or die $member->fileName() . ": CRC-32 differs from its header\n";
        print entry_line($member->fileName(), $size, $crc);
    }
}

# Standard input front to back, by the local headers.
sub read_stream {
    require IO::Uncompress::Unzip;
    my $archive = IO::Uncompress::Unzip->new(\*STDIN, Strict => 1)
        or die "not read: $IO::Uncompress::Unzip::UnzipError\n";
    $archive->getHeaderInfo() or die "no entry: $IO::Uncompress::Unzip::UnzipError\n";
    my $status = 1;
    while ($status > 0) {
        my $name = $archive->getHeaderInfo()->{Name};
        my ($size, $crc, $chunk) = (0, 0, "");
        while (($status = $archive->read($chunk, 1 << 20)) > 0) {
            $size += length $chunk;
            $crc = crc32($chunk, $crc);
        }
        last if $status < 0;
        print entry_line($name, $size, $crc);
        $status = $archive->nextStream();
    }
    $status == 0 or die "read failed: $IO::Uncompress::Unzip::UnzipError\n";
}

binmode STDIN;
$ARGV[0] eq "central" ? read_central($ARGV[1]) : read_stream();
