document.write('<p id="hours">Open daily from 7 to 19.</p>');
