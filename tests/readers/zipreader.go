// A ZIP reader of the archive checks: Go's archive/zip reads every entry back and lists it.
package main

import (
	"archive/zip"
	"encoding/hex"
	"fmt"
	"hash/crc32"
	"io"
	"os"
)

// Prints a line per entry: the name's bytes in hex, the size and the CRC-32 of the bytes read.
func main() {
	archive, err := zip.OpenReader(os.Args[1])
	if err != nil {
		fail(err)
	}
	defer archive.Close()
	for _, entry := range archive.File {
		data, err := entry.Open()
		if err != nil {
			fail(err)
		}
		crc := crc32.NewIEEE()
		size, err := io.Copy(crc, data) // fails on a size or CRC-32 other than the headers'
		if err != nil {
			fail(fmt.Errorf("%s: %w", entry.Name, err))
		}
		data.Close()
		fmt.Printf("%s %d %08x\n", hex.EncodeToString([]byte(entry.Name)), size, crc.Sum32())
	}
}

func fail(err error) {
	fmt.Fprintln(os.Stderr, err)
	os.Exit(1)
}
